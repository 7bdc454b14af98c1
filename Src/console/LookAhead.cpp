#include "console/LookAhead.h"

#include <system_error>

namespace velders {

LookAhead::LookAhead(bool overlap) {
  if (!overlap) return;
  try {
    thread_ = std::thread(&LookAhead::Run, this);
  } catch (const std::system_error&) {
  }
}

LookAhead::~LookAhead() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

std::future<LookedAt> LookAhead::Start(const mevcore::filesupport::Dir& project, bool upgrade,
                                       std::shared_future<bool> mayStore) {
  if (!thread_.joinable()) {
    return std::async(std::launch::deferred, LookAt, project, upgrade, mayStore);
  }
  std::packaged_task<LookedAt()> look(
      [project, upgrade, mayStore] { return LookAt(project, upgrade, mayStore); });
  std::future<LookedAt> looked = look.get_future();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    waiting_.push_back(std::move(look));
  }
  wake_.notify_one();
  return looked;
}

void LookAhead::Run() {
  for (;;) {
    std::packaged_task<LookedAt()> look;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
      if (ending_) return;
      look = std::move(waiting_.front());
      waiting_.pop_front();
    }
    look();
  }
}

}  // namespace velders
