#include "mevcore/threads/Threads.h"

#include <atomic>

#include <boost/make_shared.hpp>
#include <unistd.h>

namespace mevcore {
namespace threads {
namespace {

// 0 until a thread registers; kernel thread ids are never 0.
std::atomic<std::uint32_t> gMainThreadID{0};

}  // namespace

AsyncEventLoopAdaptor::~AsyncEventLoopAdaptor() = default;

boost::shared_ptr<AsyncEventLoopAdaptor> RegisterCurrentThreadAsMainThread() {
  gMainThreadID.store(GetCurrentThreadID());
  return boost::make_shared<AsyncEventLoopAdaptor>();
}

bool IsMainThread() {
  return gMainThreadID.load() == GetCurrentThreadID();
}

std::uint32_t GetCurrentThreadID() {
  return static_cast<std::uint32_t>(gettid());
}

}  // namespace threads
}  // namespace mevcore
