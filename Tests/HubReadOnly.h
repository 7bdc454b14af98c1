#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

namespace velders {
namespace testing {

// A host application in another process: while the object lives it holds a
// write transaction on the database, with one row inserted and not committed.
class WritingHost {
 public:
  explicit WritingHost(const std::string& database);
  ~WritingHost();
  WritingHost(const WritingHost&) = delete;
  WritingHost& operator=(const WritingHost&) = delete;

  bool Held() const { return held_; }

 private:
  [[noreturn]] static void HoldUntilReleased(const std::string& database, int ready, int release);

  pid_t child_ = -1;
  int release_ = -1;
  bool held_ = false;
};

// The change time of every entry under the folder, links not followed: it
// moves with any write, rename, mode or owner change, even one that restores
// the bytes and the modification time.
std::map<std::string, std::int64_t> ChangeTimes(const std::string& folder);

}  // namespace testing
}  // namespace velders
