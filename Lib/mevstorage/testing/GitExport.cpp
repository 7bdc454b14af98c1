#include "GitExport.h"

#include <sqlite3.h>

#include <map>
#include <memory>
#include <set>
#include <stdexcept>

#include "mevcore/filesupport/File.h"
#include "mevstorage/git/References.h"

namespace mevstorage {
namespace testing {

namespace {

using mevcore::filesupport::Dir;
using RepositoryPtr = std::unique_ptr<git_repository, decltype(&git_repository_free)>;
using ReferencePtr = std::unique_ptr<git_reference, decltype(&git_reference_free)>;

using git::HexOf;
using git::LastGitError;

class ExportFailure {
 public:
  ExportFailure(const Dir& from, const Dir& to)
      : prefix_("Unable to export " + from.NativePath() + " to " + to.NativePath() + ": ") {}
  [[noreturn]] void Throw(const std::string& reason) const {
    throw std::runtime_error(prefix_ + reason);
  }
  void Check(int result, const std::string& what) const {
    if (result != 0) Throw(what + ": " + LastGitError());
  }

 private:
  std::string prefix_;
};

StoredObject RowToObject(sqlite3_stmt* row) {
  StoredObject object{};
  if (sqlite3_column_bytes(row, 0) == GIT_OID_RAWSZ) {
    git_oid_fromraw(&object.id, static_cast<const unsigned char*>(sqlite3_column_blob(row, 0)));
  }
  object.type = static_cast<git_object_t>(sqlite3_column_int(row, 1));
  object.size = sqlite3_column_int64(row, 2);
  const char* data = static_cast<const char*>(sqlite3_column_blob(row, 3));
  object.data.assign(data ? data : "", static_cast<std::size_t>(sqlite3_column_bytes(row, 3)));
  return object;
}

RepositoryPtr OpenPlain(const Dir& folder, const ExportFailure& failure) {
  git_repository* repository = nullptr;
  failure.Check(
      git_repository_open_ext(&repository, folder.NativePath().c_str(),
                              GIT_REPOSITORY_OPEN_NO_SEARCH | GIT_REPOSITORY_OPEN_BARE, nullptr),
      "open " + folder.NativePath());
  return RepositoryPtr(repository, &git_repository_free);
}

RepositoryPtr InitBare(const Dir& folder, const ExportFailure& failure) {
  git_repository_init_options options;
  failure.Check(git_repository_init_options_init(&options, GIT_REPOSITORY_INIT_OPTIONS_VERSION),
                "prepare to make " + folder.NativePath());
  options.flags =
      GIT_REPOSITORY_INIT_BARE | GIT_REPOSITORY_INIT_MKPATH | GIT_REPOSITORY_INIT_NO_REINIT;
  git_repository* repository = nullptr;
  failure.Check(git_repository_init_ext(&repository, folder.NativePath().c_str(), &options),
                "make " + folder.NativePath());
  return RepositoryPtr(repository, &git_repository_free);
}

void WriteObjects(git_repository* target, const std::vector<StoredObject>& objects,
                  const ExportFailure& failure) {
  git_odb* odb = nullptr;
  failure.Check(git_repository_odb(&odb, target), "open the target's objects");
  std::unique_ptr<git_odb, decltype(&git_odb_free)> owner(odb, &git_odb_free);
  for (const StoredObject& object : objects) {
    git_oid written;
    failure.Check(git_odb_write(&written, odb, object.data.data(), object.data.size(), object.type),
                  "write object " + HexOf(object.id));
    if (!git_oid_equal(&written, &object.id)) {
      failure.Throw("the row " + HexOf(object.id) + " holds the object " + HexOf(written));
    }
    if (object.size != static_cast<std::int64_t>(object.data.size())) {
      failure.Throw("the row " + HexOf(object.id) + " records the size " +
                    std::to_string(object.size) + " for " + std::to_string(object.data.size()) +
                    " bytes");
    }
  }
}

void CopyReference(git_reference* source, git_repository* target, const ExportFailure& failure) {
  git_reference* copy = nullptr;
  const char* name = git_reference_name(source);
  const int result =
      git_reference_type(source) == GIT_REFERENCE_DIRECT
          ? git_reference_create(&copy, target, name, git_reference_target(source), 1, nullptr)
          : git_reference_symbolic_create(&copy, target, name,
                                          git_reference_symbolic_target(source), 1, nullptr);
  git_reference_free(copy);
  failure.Check(result, std::string("copy ") + name);
}

void CopyReferences(git_repository* source, git_repository* target, const ExportFailure& failure) {
  git_reference_iterator* iterator = nullptr;
  failure.Check(git_reference_iterator_new(&iterator, source), "list the references");
  git_reference* reference = nullptr;
  int result = 0;
  while ((result = git_reference_next(&reference, iterator)) == 0) {
    ReferencePtr owner(reference, &git_reference_free);
    CopyReference(reference, target, failure);
  }
  git_reference_iterator_free(iterator);
  if (result != GIT_ITEROVER) failure.Check(result, "list the references");
  git_reference* head = nullptr;
  failure.Check(git_reference_lookup(&head, source, "HEAD"), "read HEAD");
  ReferencePtr headOwner(head, &git_reference_free);
  CopyReference(head, target, failure);
}

using ReferenceMap = std::map<std::string, std::string>;

std::string TargetOf(git_reference* reference) {
  if (git_reference_type(reference) == GIT_REFERENCE_SYMBOLIC) {
    return std::string("-> ") + git_reference_symbolic_target(reference);
  }
  return HexOf(*git_reference_target(reference));
}

// HEAD and every reference, as libgit2 lists them.
ReferenceMap ReadReferences(const Dir& folder, const ExportFailure& failure) {
  RepositoryPtr repository = OpenPlain(folder, failure);
  ReferenceMap references;
  git_reference_iterator* iterator = nullptr;
  failure.Check(git_reference_iterator_new(&iterator, repository.get()), "list the references");
  git_reference* reference = nullptr;
  while (git_reference_next(&reference, iterator) == 0) {
    ReferencePtr owner(reference, &git_reference_free);
    references[git_reference_name(reference)] = TargetOf(reference);
  }
  git_reference_iterator_free(iterator);
  git_reference* head = nullptr;
  failure.Check(git_reference_lookup(&head, repository.get(), "HEAD"), "read HEAD");
  ReferencePtr headOwner(head, &git_reference_free);
  references["HEAD"] = TargetOf(head);
  return references;
}

int AddId(const git_oid* id, void* payload) {
  static_cast<std::set<std::string>*>(payload)->insert(HexOf(*id));
  return 0;
}

std::set<std::string> ExportedIds(const Dir& folder, const ExportFailure& failure) {
  RepositoryPtr repository = OpenPlain(folder, failure);
  git_odb* odb = nullptr;
  failure.Check(git_repository_odb(&odb, repository.get()), "open the objects");
  std::unique_ptr<git_odb, decltype(&git_odb_free)> owner(odb, &git_odb_free);
  std::set<std::string> ids;
  failure.Check(git_odb_foreach(odb, &AddId, &ids), "list the objects");
  return ids;
}

void AddDifferences(const std::string& what, const std::set<std::string>& store,
                    const std::set<std::string>& exported, std::vector<std::string>* differences) {
  for (const std::string& id : store) {
    if (!exported.count(id)) differences->push_back(what + " " + id + " is not exported");
  }
  for (const std::string& id : exported) {
    if (!store.count(id)) differences->push_back(what + " " + id + " is not in the store");
  }
}

}  // namespace

std::vector<std::string> CompareWithExport(const Dir& gitFolder, const std::string& exportGitDir) {
  const Dir exported = Dir::FromNativePath(exportGitDir);
  const ExportFailure failure(gitFolder, exported);
  std::set<std::string> storeIds;
  for (const StoredObject& object : ReadStoredObjects(gitFolder)) storeIds.insert(HexOf(object.id));
  std::vector<std::string> differences;
  AddDifferences("object", storeIds, ExportedIds(exported, failure), &differences);
  const ReferenceMap storeReferences = ReadReferences(gitFolder, failure);
  const ReferenceMap exportReferences = ReadReferences(exported, failure);
  for (const auto& [name, target] : storeReferences) {
    const auto found = exportReferences.find(name);
    const std::string other = found == exportReferences.end() ? "nothing" : found->second;
    if (other != target) differences.push_back(name + " is " + other + ", not " + target);
  }
  for (const auto& [name, target] : exportReferences) {
    if (!storeReferences.count(name)) differences.push_back(name + " is not in the store");
  }
  return differences;
}

std::vector<StoredObject> ReadStoredObjects(const Dir& gitFolder) {
  const std::string path =
      mevcore::filesupport::File(gitFolder, mevcore::utility::AsciiToUTF16("odb.sqlite3"))
          .NativePath();
  sqlite3* db = nullptr;
  sqlite3_stmt* rows = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_prepare_v2(db, "SELECT oid, type, size, data FROM objects ORDER BY oid", -1, &rows,
                            nullptr);
  }
  std::vector<StoredObject> objects;
  while (rc == SQLITE_OK && (rc = sqlite3_step(rows)) == SQLITE_ROW) {
    objects.push_back(RowToObject(rows));
    rc = SQLITE_OK;
  }
  const std::string reason = db ? sqlite3_errmsg(db) : "out of memory";
  sqlite3_finalize(rows);
  sqlite3_close(db);
  if (rc != SQLITE_DONE)
    throw std::runtime_error("Unable to read the objects of " + path + ": " + reason);
  return objects;
}

void ExportToPlainGit(const Dir& gitFolder, const Dir& targetFolder) {
  const ExportFailure failure(gitFolder, targetFolder);
  const std::vector<StoredObject> objects = ReadStoredObjects(gitFolder);
  RepositoryPtr source = OpenPlain(gitFolder, failure);
  RepositoryPtr target = InitBare(targetFolder, failure);
  WriteObjects(target.get(), objects, failure);
  CopyReferences(source.get(), target.get(), failure);
}

}  // namespace testing
}  // namespace mevstorage
