#pragma once

#include <cstddef>
#include <new>

namespace mevcore {
namespace utility {

// Allocator for the library's strings and containers. Small blocks go to the
// standard allocator; the interface keeps the sized Dispose of the platform.
class SmallBlockAllocatorBase {
 public:
  static void* Allocate(std::size_t size);
  static void Dispose(void* block, std::size_t size) noexcept;
};

template <class T>
class SmallBlockAllocator {
 public:
  using value_type = T;

  SmallBlockAllocator() noexcept = default;
  template <class U>
  SmallBlockAllocator(const SmallBlockAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(SmallBlockAllocatorBase::Allocate(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    SmallBlockAllocatorBase::Dispose(p, n * sizeof(T));
  }

  template <class U>
  bool operator==(const SmallBlockAllocator<U>&) const noexcept { return true; }
  template <class U>
  bool operator!=(const SmallBlockAllocator<U>&) const noexcept { return false; }
};

}  // namespace utility
}  // namespace mevcore
