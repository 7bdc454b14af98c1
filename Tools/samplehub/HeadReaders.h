#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace samplehub {

// The commit HEAD names in a project's "git" folder.
struct HeadCommit {
  std::string id;
  std::string treeId;
  std::string message;
  std::string author;  // "name <email>"
  std::size_t parentCount = 0;
  std::int64_t time = 0;
};

// Each reads a project's "git" folder (a native path) through the storage
// library, which must be started, and throws SampleHubError or the storage
// library's error naming the folder when there is no such thing.

HeadCommit ReadHeadCommit(const std::string& gitFolder);
// The bytes of the "properties" blob at HEAD.
std::string ReadHeadProperties(const std::string& gitFolder);
// Every blob of HEAD's tree, by slash-separated path, to its hex id.
std::map<std::string, std::string> ReadHeadTree(const std::string& gitFolder);
// The hex id of the commit refs/heads/<branch> names.
std::string ReadBranchTarget(const std::string& gitFolder, const std::string& branch);
// The number of commits reachable from HEAD.
std::size_t CountHeadHistory(const std::string& gitFolder);

}  // namespace samplehub
