#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

namespace mevcore {
namespace threads {

// The main thread's event loop, as registration hands it out. A console
// program runs no loop; the object only marks the registration.
class AsyncEventLoopAdaptor {
 public:
  virtual ~AsyncEventLoopAdaptor();
};

boost::shared_ptr<AsyncEventLoopAdaptor> RegisterCurrentThreadAsMainThread();
bool IsMainThread();
// The kernel's id of the calling thread.
std::uint32_t GetCurrentThreadID();

}  // namespace threads
}  // namespace mevcore
