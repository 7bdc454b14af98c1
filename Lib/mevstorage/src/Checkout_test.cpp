#include "mevstorage/git/Checkout.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "FolderSnapshot.h"
#include "GitExport.h"
#include "StorageTestSupport.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"

namespace mevstorage {
namespace git {
namespace {

using testing::RunGit;
using testing::SnapshotFolder;

// One entry of a tree written byte for byte, as a raw tree object, so that
// names and modes that libgit2 would refuse to build can be made.
struct Item {
  std::string mode;  // as the raw tree spells it
  std::string name;
  std::string content;      // a blob's bytes
  std::vector<Item> items;  // a folder's entries; the entry names a tree when there are any
};

Item File(const std::string& name, const std::string& content = "x") {
  return {"100644", name, content, {}};
}
Item Exec(const std::string& name, const std::string& content) {
  return {"100755", name, content, {}};
}
Item Link(const std::string& name, const std::string& target) {
  return {"120000", name, target, {}};
}
Item Folder(const std::string& name, std::vector<Item> items) {
  return {"40000", name, "", std::move(items)};
}
Item Gitlink(const std::string& name) { return {"160000", name, "", {}}; }

git_oid WriteObject(git_odb* odb, const std::string& data, git_object_t type) {
  git_oid id;
  EXPECT_EQ(git_odb_write(&id, odb, data.data(), data.size(), type), 0);
  return id;
}

git_oid WriteItems(git_odb* odb, const std::vector<Item>& items) {
  std::string tree;
  for (const Item& item : items) {
    git_oid id;
    if (!item.items.empty() || (item.mode == "40000" && item.content.empty())) {
      id = WriteItems(odb, item.items);
    } else if (item.mode == "160000") {
      id = IdOf("0123456789abcdef0123456789abcdef01234567");
    } else {
      id = WriteObject(odb, item.content, GIT_OBJECT_BLOB);
    }
    tree += item.mode + " " + item.name + '\0';
    tree.append(reinterpret_cast<const char*>(id.id), GIT_OID_RAWSZ);
  }
  return WriteObject(odb, tree, GIT_OBJECT_TREE);
}

// A scratch folder holding a new plain repository "target" whose branch
// "production" commits the tree of the items.
class CheckoutTest : public StorageTest {
 protected:
  std::string Target() const { return temp_.Child("target"); }

  void MakeRepository(const std::vector<Item>& items) {
    // The repository a test starts from need not survive a crash.
    git_libgit2_opts(GIT_OPT_ENABLE_FSYNC_GITDIR, 0);
    MakeUnsyncedRepository(items);
    git_libgit2_opts(GIT_OPT_ENABLE_FSYNC_GITDIR, 1);
  }

  void MakeUnsyncedRepository(const std::vector<Item>& items) {
    git_repository* repository = nullptr;
    ASSERT_EQ(git_repository_init(&repository, Target().c_str(), 0), 0);
    Wrap<git_repository> held(repository);
    git_odb* odb = nullptr;
    ASSERT_EQ(git_repository_odb(&odb, repository), 0);
    Wrap<git_odb> heldOdb(odb);
    const std::string commit = "tree " + HexOf(WriteItems(odb, items)) +
                               "\nauthor A <a@example.com> 0 +0000"
                               "\ncommitter A <a@example.com> 0 +0000\n\nThe tree\n";
    const git_oid id = WriteObject(odb, commit, GIT_OBJECT_COMMIT);
    git_reference* branch = nullptr;
    ASSERT_EQ(git_reference_create(&branch, repository, "refs/heads/production", &id, 0, nullptr),
              0);
    git_reference_free(branch);
  }

  // Checks the branch out; the error's text, or empty when none was thrown.
  std::string Run(const std::string& branch = "production") {
    try {
      CheckOutBranch(Target(), branch);
    } catch (const StorageError& error) {
      return error.what();
    }
    return "";
  }

  std::string CheckOut(const std::vector<Item>& items) {
    std::filesystem::remove_all(Target());
    MakeRepository(items);
    return Run();
  }

  std::vector<std::string> Listed(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Git(const std::vector<std::string>& arguments) const {
    std::vector<std::string> words{"-C", Target()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const testing::GitResult result = RunGit(words);
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    return result.output;
  }
};

std::vector<Item> Nested(int depth) {
  std::vector<Item> items{File("leaf")};
  for (int i = 0; i < depth; ++i) items = {Folder("d", items)};
  return items;
}

std::string NestedPath(int depth) {
  std::string path = "d";
  for (int i = 1; i < depth; ++i) path += "/d";
  return path;
}

struct HostileCase {
  const char* what;
  std::vector<Item> items;
  std::string path;    // the entry the refusal names
  std::string reason;  // a part of the reason
};

TEST_F(CheckoutTest, RefusesEveryHostileTreeBeforeWritingAnything) {
  const std::vector<HostileCase> cases = {
      {"dot", {File(".")}, ".", "names a folder"},
      {"dot dot", {Folder("sub", {File("..")})}, "sub/..", "names a folder"},
      {".git", {Folder(".git", {File("config")})}, ".git", ".git folder"},
      {".git in a folder", {Folder("sub", {Folder(".git", {File("HEAD")})})}, "sub/.git",
       ".git folder"},
      {"upper case", {File(".GIT")}, ".GIT", ".git folder"},
      {"trailing dot and space", {File(".Git. ")}, ".Git. ", ".git folder"},
      {"short name", {File("GIT~1")}, "GIT~1", ".git folder"},
      {"stream", {File(".git::$INDEX_ALLOCATION")}, ".git::$INDEX_ALLOCATION", ".git folder"},
      {"ignorable code point", {File(".g\u200cit")}, ".g\u200cit", ".git folder"},
      {"slash", {File("a/b")}, "a/b", "\"/\""},
      {"backslash", {File("a\\b")}, "a\\b", "backslash"},
      {"long name", {File(std::string(256, 'n'))}, std::string(256, 'n'), "longer than 255"},
      {"empty name", {Folder("sub", {File("")})}, "sub", "parse"},
      {"unknown mode", {{"140000", "socket", "x", {}}}, "socket", "unknown mode 140000"},
      {"same name twice", {File("a", "1"), File("a", "2")}, "a", "two entries"},
      {"folder under a link", {Link("a", "sub"), Folder("a", {File("f")}), Folder("sub", {})},
       "a", "two entries"},
      {"absolute link", {Link("l", "/etc/passwd")}, "l", "absolute"},
      {"climbing link", {Folder("d", {Link("l", "../../outside")})}, "d/l", "outside the work"},
      {"climbing past a folder", {Link("l", "sub/../../x")}, "l", "outside the work"},
      {"climbing through a link",
       {Folder("d", {Link("up", "..")}), Link("l", "d/up/../x")}, "l", "outside the work"},
      {"link into .git", {Link("hooks", ".git/hooks")}, "hooks", "into a .git folder"},
      {"link loop", {Link("a", "b/x"), Link("b", "a")}, "a", "more than 40 links"},
      {"linked .gitmodules", {Link(".gitmodules", "x")}, ".gitmodules", "cannot be a symbolic"},
      {"linked short .gitmodules", {Link("GITMOD~1", "x")}, "GITMOD~1", "cannot be a symbolic"},
      {"empty link target", {Link("l", "")}, "l", "empty target"},
      {"zero byte in a link", {Link("l", std::string("a\0b", 3))}, "l", "zero byte"},
      {"file that is a tree", {{"100644", "f", "", {File("x")}}}, "f", "is a tree, not a blob"},
      {"folder that is a blob", {{"40000", "d", "x", {}}}, "d", "is a blob, not a tree"},
      {"too deep", Nested(257), NestedPath(257), "deeper than 256"},
  };
  for (const HostileCase& hostile : cases) {
    SCOPED_TRACE(hostile.what);
    const std::string error = CheckOut(hostile.items);
    EXPECT_NE(error.find("Unable to check out " + hostile.path + " in " + Target() + ": "),
              std::string::npos)
        << error;
    EXPECT_NE(error.find(hostile.reason), std::string::npos) << error;
    EXPECT_EQ(Listed(temp_.Path()), std::vector<std::string>{"target"});
    EXPECT_EQ(Listed(Target()), std::vector<std::string>{".git"});
  }
}

struct ContainedCase {
  const char* what;
  std::vector<Item> items;
  std::vector<std::string> written;
};

TEST_F(CheckoutTest, WritesNamesAndLinksThatStayInside) {
  const std::vector<ContainedCase> cases = {
      {"names this system keeps apart",
       {File("A"), File("a"), File("name."), File("name "), File("..."), File("a\nb"),
        File(".gitx")},
       {"A", "a", "name.", "name ", "...", "a\nb", ".gitx"}},
      {"links inside",
       {Folder("d", {File("f"), Link("up", "..")}), Link("l", "d/up/d/f"), Link("m", "d/../d/up"),
        Link("dangling", "missing/../x")},
       {"d/up", "l", "m", "dangling"}},
  };
  for (const ContainedCase& contained : cases) {
    SCOPED_TRACE(contained.what);
    EXPECT_EQ(CheckOut(contained.items), "");
    for (const std::string& path : contained.written) {
      EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(Target() + "/" + path)))
          << path;
    }
    EXPECT_EQ(Git({"status", "--porcelain"}), "");
    EXPECT_EQ(Listed(temp_.Path()), std::vector<std::string>{"target"});
  }
}

// In Git's order, so that the strictest check passes.
std::vector<Item> OrdinaryTree() {
  return {File(".gitmodules",
               "[submodule \"module\"]\n\tpath = module\n\turl = https://example.com/m.git\n"),
          File("README", "hello\n"),
          Link("latest", "src/deep/notes.txt"),
          Gitlink("module"),
          Exec("run.sh", "#!/bin/sh\necho run\n"),
          Folder("src", {Folder("deep", {File("notes.txt", std::string("bytes \0\xff\n", 9))}),
                         File("main.c", "int main(void) { return 0; }\n")})};
}

struct Expected {
  const char* path;
  mode_t mode;  // before the umask
  std::string content;
};

TEST_F(CheckoutTest, WritesAnOrdinaryTreeAsACloneHasIt) {
  MakeRepository(OrdinaryTree());
  const std::string head = Git({"symbolic-ref", "HEAD"});
  EXPECT_EQ(Run("missing"), "");
  EXPECT_EQ(Listed(Target()), std::vector<std::string>{".git"});
  EXPECT_EQ(Git({"symbolic-ref", "HEAD"}), head);

  const std::vector<Expected> expected = {
      {"README", S_IFREG | 0644, "hello\n"},
      {"run.sh", S_IFREG | 0755, "#!/bin/sh\necho run\n"},
      {"latest", S_IFLNK | 0777, "src/deep/notes.txt"},
      {"module", S_IFDIR | 0777, ""},
      {"src/deep", S_IFDIR | 0777, ""},
      {"src/deep/notes.txt", S_IFREG | 0644, std::string("bytes \0\xff\n", 9)}};
  for (const mode_t mask : {022, 077}) {
    SCOPED_TRACE(mask);
    const mode_t before = umask(mask);
    const std::string error = CheckOut(OrdinaryTree());
    umask(before);
    ASSERT_EQ(error, "");
    const testing::FolderSnapshot snapshot = SnapshotFolder(Target());
    for (const Expected& entry : expected) {
      const auto found = snapshot.find(entry.path);
      ASSERT_NE(found, snapshot.end()) << entry.path;
      const mode_t mode = S_ISLNK(entry.mode) ? entry.mode : entry.mode & ~mask;
      EXPECT_EQ(found->second.mode, mode) << entry.path;
      EXPECT_EQ(found->second.content, entry.content) << entry.path;
    }
    EXPECT_EQ(Git({"status", "--porcelain", "--ignored"}), "");
    Git({"diff-files", "--quiet"});  // the index's stat data match without reading a file
    EXPECT_EQ(Git({"symbolic-ref", "HEAD"}), "refs/heads/production\n");
    Git({"fsck", "--strict"});
    EXPECT_EQ(Listed(temp_.Path()), std::vector<std::string>{"target"});
  }
}

// The work tree should hold nothing; a link already there, even one to a
// missing file, is never written through.
TEST_F(CheckoutTest, NeverWritesThroughAnEntryAlreadyThere) {
  const std::string outside = temp_.Child("outside");
  for (const std::string name : {"README", "src"}) {
    SCOPED_TRACE(name);
    std::filesystem::remove_all(Target());
    std::filesystem::remove_all(outside);
    std::filesystem::create_directories(outside + "/src");
    MakeRepository(OrdinaryTree());
    std::filesystem::create_symlink(outside + "/" + name, Target() + "/" + name);
    const std::string error = Run();
    EXPECT_NE(error.find(name + " in " + Target() + ": File exists"), std::string::npos) << error;
    EXPECT_EQ(Listed(outside), std::vector<std::string>{"src"});
    EXPECT_TRUE(std::filesystem::is_empty(outside + "/src"));
  }
}

TEST_F(CheckoutTest, EveryFailedDiskCallIsReported) {
  mevcore::filesupport::RealDiskInterface real;
  for (std::uint64_t n = 1;; ++n) {
    SCOPED_TRACE(n);
    std::filesystem::remove_all(Target());
    MakeRepository(OrdinaryTree());
    mevcore::filesupport::FaultInjectingDisk faulty(real);
    faulty.FailCall(n, EIO);
    std::string error;
    {
      mevcore::filesupport::ScopedDisk scoped(faulty);
      error = Run();
    }
    EXPECT_EQ(Listed(temp_.Path()), std::vector<std::string>{"target"});
    if (faulty.Failures() == 0) {
      EXPECT_EQ(error, "");
      break;
    }
    EXPECT_NE(error.find(": Input/output error"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
