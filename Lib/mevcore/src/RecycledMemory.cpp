#include "mevcore/utility/RecycledMemory.h"

#include <cstring>

#include "mevcore/utility/SmallBlockAllocator.h"

namespace mevcore {
namespace utility {

RecycledMemory::RecycledMemory(std::size_t size) : size_(size), owned_(true) {
  if (size == 0) return;
  data_ = static_cast<unsigned char*>(SmallBlockAllocatorBase::Allocate(size));
  std::memset(data_, 0, size);
}

boost::shared_ptr<RecycledMemory> RecycledMemory::Create(std::size_t size) {
  return boost::shared_ptr<RecycledMemory>(new RecycledMemory(size));
}

RecycledMemory::~RecycledMemory() { Free(); }

void RecycledMemory::Free() {
  if (owned_ && data_ != nullptr) SmallBlockAllocatorBase::Dispose(data_, size_);
  data_ = nullptr;
  size_ = 0;
  owned_ = false;
  owner_.reset();
}

}  // namespace utility
}  // namespace mevcore
