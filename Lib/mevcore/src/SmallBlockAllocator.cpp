#include "mevcore/utility/SmallBlockAllocator.h"

namespace mevcore {
namespace utility {

void* SmallBlockAllocatorBase::Allocate(std::size_t size) { return ::operator new(size); }

void SmallBlockAllocatorBase::Dispose(void* block, std::size_t size) noexcept {
  ::operator delete(block, size);
}

}  // namespace utility
}  // namespace mevcore
