#include "mevcore/utility/SmallBlockAllocator.h"

namespace mevcore {
namespace utility {

void* SmallBlockAllocatorBase::Allocate(std::size_t size) { return ::operator new(size); }

void SmallBlockAllocatorBase::Dispose(void* block, std::size_t size) noexcept {
#ifdef __cpp_sized_deallocation
  ::operator delete(block, size);
#else
  // clang leaves sized deallocation off unless asked for it.
  static_cast<void>(size);
  ::operator delete(block);
#endif
}

}  // namespace utility
}  // namespace mevcore
