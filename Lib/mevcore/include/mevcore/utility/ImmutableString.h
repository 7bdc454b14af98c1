#pragma once

#include <cstddef>
#include <memory>

#include "mevcore/utility/Text.h"

namespace mevcore {
namespace utility {

// The text every empty ImmutableString points at: a single zero byte.
extern const unsigned char sNullString[1];

// Shared, read-only UTF-8 text. Copies share the bytes. The bytes are always
// followed by a zero byte, so c_str() is safe; the text may hold zero bytes
// of its own, which size() counts.
class ImmutableString {
 public:
  ImmutableString() noexcept;

  // Refers to a literal (or other text that outlives every copy); no copy made.
  static ImmutableString CreateStatic(const char* literal);
  static ImmutableString CreateDynamic(const UTF8String& text);
  static ImmutableString CreateDynamic(const unsigned char* bytes, std::size_t count);

  const unsigned char* data() const noexcept { return data_; }
  const char* c_str() const noexcept { return reinterpret_cast<const char*>(data_); }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }

  UTF8String str() const { return UTF8String(data_, size_); }
  // The text up to its first zero byte.
  UTF8String UpToFirstZero() const;

  friend bool operator==(const ImmutableString& a, const ImmutableString& b) noexcept;
  friend bool operator!=(const ImmutableString& a, const ImmutableString& b) noexcept {
    return !(a == b);
  }

 private:
  ImmutableString(const unsigned char* data, std::size_t size,
                  std::shared_ptr<const void> owner) noexcept;

  const unsigned char* data_;
  std::size_t size_;
  std::shared_ptr<const void> owner_;
};

}  // namespace utility
}  // namespace mevcore
