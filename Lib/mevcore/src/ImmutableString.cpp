#include "mevcore/utility/ImmutableString.h"

#include <cstring>
#include <utility>

namespace mevcore {
namespace utility {

const unsigned char sNullString[1] = {0};

namespace {

// Frees a block of text bytes together with their trailing zero.
struct TextBlockDeleter {
  std::size_t blockSize;
  void operator()(const unsigned char* block) const noexcept {
    SmallBlockAllocatorBase::Dispose(const_cast<unsigned char*>(block), blockSize);
  }
};

}  // namespace

ImmutableString::ImmutableString() noexcept : data_(sNullString), size_(0) {}

ImmutableString::ImmutableString(const unsigned char* data, std::size_t size,
                                 std::shared_ptr<const void> owner) noexcept
    : data_(data), size_(size), owner_(std::move(owner)) {}

ImmutableString ImmutableString::CreateStatic(const char* literal) {
  if (literal == nullptr || *literal == '\0') return ImmutableString();
  return ImmutableString(reinterpret_cast<const unsigned char*>(literal), std::strlen(literal),
                         nullptr);
}

ImmutableString ImmutableString::CreateDynamic(const UTF8String& text) {
  return CreateDynamic(text.data(), text.size());
}

ImmutableString ImmutableString::CreateDynamic(const unsigned char* bytes, std::size_t count) {
  if (count == 0) return ImmutableString();
  const std::size_t blockSize = count + 1;
  auto* block = static_cast<unsigned char*>(SmallBlockAllocatorBase::Allocate(blockSize));
  std::shared_ptr<const unsigned char> owner(block, TextBlockDeleter{blockSize},
                                             SmallBlockAllocator<unsigned char>());
  std::memcpy(block, bytes, count);
  block[count] = 0;
  return ImmutableString(block, count, std::move(owner));
}

UTF8String ImmutableString::UpToFirstZero() const {
  const void* zero = std::memchr(data_, 0, size_);
  const std::size_t length =
      zero == nullptr ? size_ : static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - data_);
  return UTF8String(data_, length);
}

bool operator==(const ImmutableString& a, const ImmutableString& b) noexcept {
  if (a.size_ != b.size_) return false;
  return a.data_ == b.data_ || std::memcmp(a.data_, b.data_, a.size_) == 0;
}

}  // namespace utility
}  // namespace mevcore
