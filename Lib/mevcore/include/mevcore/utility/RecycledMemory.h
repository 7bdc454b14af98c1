#pragma once

#include <cstddef>
#include <memory>

#include <boost/shared_ptr.hpp>

namespace mevcore {
namespace utility {

// A shared byte buffer. It owns storage of its own (Create), or, after Free
// and ReferTo, refers to outside bytes and holds a shared reference to their
// owner, so the bytes live as long as the buffer; nothing is copied.
class RecycledMemory {
 public:
  static boost::shared_ptr<RecycledMemory> Create(std::size_t size);

  RecycledMemory(const RecycledMemory&) = delete;
  RecycledMemory& operator=(const RecycledMemory&) = delete;
  ~RecycledMemory();

  // Releases the buffer's own storage; it is then empty.
  void Free();

  // Refers to `count` bytes at `bytes`, owned by `owner`.
  template <class Owner>
  void ReferTo(const void* bytes, std::size_t count, boost::shared_ptr<Owner> owner) {
    Free();
    data_ = static_cast<unsigned char*>(const_cast<void*>(bytes));
    size_ = count;
    owner_ = boost::shared_ptr<const void>(owner);
  }

  const unsigned char* Data() const { return data_; }
  unsigned char* Data() { return owned_ ? data_ : nullptr; }
  std::size_t Size() const { return size_; }

 private:
  explicit RecycledMemory(std::size_t size);

  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  bool owned_ = false;
  boost::shared_ptr<const void> owner_;
};

}  // namespace utility
}  // namespace mevcore
