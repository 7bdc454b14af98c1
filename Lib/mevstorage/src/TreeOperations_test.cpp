#include "GitExport.h"
#include "StorageTestSupport.h"

namespace mevstorage {
namespace git {
namespace {

using TreeOperationsTest = NewRepositoryTest;

TEST_F(TreeOperationsTest, BlobRowsAreTheObjectsGitWouldWrite) {
  const std::string content = "hello\n";
  const git_oid id = WriteBlob(repository_, content.data(), content.size());
  ASSERT_NO_THROW(FlushWrites(repository_));
  const testing::GitResult git = testing::RunGit({"hash-object", "--stdin"}, content);
  ASSERT_EQ(0, git.exitStatus) << git.output;
  EXPECT_EQ(git.output, HexOf(id) + "\n");
  const std::vector<testing::StoredObject> rows = testing::ReadStoredObjects(GitFolder());
  ASSERT_EQ(1u, rows.size());
  EXPECT_TRUE(git_oid_equal(&id, &rows[0].id));
  EXPECT_EQ(GIT_OBJECT_BLOB, rows[0].type);
  EXPECT_EQ(6, rows[0].size);
  EXPECT_EQ(content, rows[0].data);
}

TEST_F(TreeOperationsTest, TreesRoundTripTheirBlobs) {
  const std::string binary("\0\x01\xff zero", 8);
  TreeHandle tree = MakeTree(repository_, {{"properties", "{}"}, {"bin", binary}, {"empty", ""}});
  ASSERT_TRUE(tree && tree->ptr);
  EXPECT_EQ(3u, git_tree_entrycount(tree->ptr));
  EXPECT_EQ("{}", BlobText(GetBlob(repository_, tree, Text("properties"))));
  EXPECT_EQ(binary, BlobText(GetBlob(repository_, tree, Text("bin"))));
  EXPECT_EQ("", BlobText(GetBlob(repository_, tree, Text("empty"))));
  EXPECT_EQ(GIT_FILEMODE_BLOB, git_tree_entry_filemode(git_tree_entry_byname(tree->ptr, "bin")));
}

TEST_F(TreeOperationsTest, GetBlobIsEmptyForMissingEntriesAndSubtrees) {
  TreeHandle inner = MakeTree(repository_, {{"a", "1"}});
  auto node = ConstructRootTreeBuilderNode(repository_, TreeHandle());
  ASSERT_EQ(0, git_treebuilder_insert(nullptr, node->builder->ptr, "folder",
                                      git_tree_id(inner->ptr), GIT_FILEMODE_TREE));
  TreeHandle outer = LookupTree(repository_, FinalizeTreeBuilderNode(repository_, node));
  EXPECT_FALSE(GetBlob(repository_, outer, Text("folder")));
  EXPECT_FALSE(GetBlob(repository_, outer, Text("properties")));
  EXPECT_FALSE(GetBlob(repository_, outer, Text(std::string("folder\0x", 8))));
  EXPECT_FALSE(GetBlob(repository_, TreeHandle(), Text("folder")));
}

TEST_F(TreeOperationsTest, EditedCopyKeepsOtherEntriesAndLeavesTheSourceAlone) {
  TreeHandle source = MakeTree(repository_, {{"properties", "old"}, {"scene", "s"}});
  auto node = ConstructRootTreeBuilderNode(repository_, source);
  ASSERT_TRUE(node);
  ASSERT_TRUE(
      TreeBuilderInsertPayload(repository_, node->builder, Text("properties"), Payload("new")));
  TreeHandle edited = LookupTree(repository_, FinalizeTreeBuilderNode(repository_, node));
  EXPECT_EQ("new", BlobText(GetBlob(repository_, edited, Text("properties"))));
  EXPECT_EQ("s", BlobText(GetBlob(repository_, edited, Text("scene"))));
  EXPECT_EQ("old", BlobText(GetBlob(repository_, source, Text("properties"))));
}

TEST_F(TreeOperationsTest, InvalidInsertionsFailWithoutChangingTheBuilder) {
  auto node = ConstructRootTreeBuilderNode(repository_, TreeHandle());
  EXPECT_FALSE(TreeBuilderInsertPayload(repository_, node->builder, Text("a/b"), Payload("x")));
  EXPECT_FALSE(TreeBuilderInsertPayload(repository_, node->builder, Text(""), Payload("x")));
  EXPECT_FALSE(TreeBuilderInsertPayload(repository_, node->builder, Text(std::string("a\0b", 3)),
                                        Payload("x")));
  EXPECT_FALSE(
      TreeBuilderInsertPayload(repository_, node->builder, Text("a"),
                               boost::shared_ptr<const mevcore::utility::RecycledMemory>()));
  EXPECT_EQ(0u, git_treebuilder_entrycount(node->builder->ptr));
}

TEST_F(TreeOperationsTest, FailuresGiveEmptyResults) {
  const git_oid none = FinalizeTreeBuilderNode(repository_, nullptr);
  EXPECT_TRUE(git_oid_is_zero(&none));
  EXPECT_FALSE(ConstructRootTreeBuilderNode(RepositoryHandle(), TreeHandle()));
  EXPECT_FALSE(GetTreeAtCommit(CommitHandle()));
  EXPECT_FALSE(GetHeadCommit(repository_));  // production has no commit yet
  const git_oid blob = WriteBlob(RepositoryHandle(), "x", 1);
  EXPECT_TRUE(git_oid_is_zero(&blob));
}

}  // namespace
}  // namespace git
}  // namespace mevstorage
