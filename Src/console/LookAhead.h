#pragma once

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "console/RecoverProject.h"
#include "mevcore/filesupport/Dir.h"

namespace velders {

// The looks of a recover-all walk (LookAt), run in the order they are
// started on one thread kept for the whole walk; or, when `overlap` is false
// or no thread can be started, each on the walk's own thread when its result
// is asked for. One thread serves every folder, so that the walk's thread
// neither starts a thread for each folder nor waits for one to end.
class LookAhead {
 public:
  explicit LookAhead(bool overlap);
  // Waits for the look in hand to return; looks not yet begun are dropped,
  // and their futures then hold a broken promise.
  ~LookAhead();
  LookAhead(const LookAhead&) = delete;
  LookAhead& operator=(const LookAhead&) = delete;

  std::future<LookedAt> Start(const mevcore::filesupport::Dir& project, bool upgrade,
                              std::shared_future<bool> mayStore);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<LookedAt()>> waiting_;
  bool ending_ = false;
  std::thread thread_;  // not joinable when each look waits for its turn
};

}  // namespace velders
