#include "console/NoLocalizer.h"

#include <cstring>

#include "mevcore/utility/Text.h"

namespace velders {

mevcore::utility::UTF16String NoLocalizer::LocalizeString(const char* key) {
  if (key == nullptr) return mevcore::utility::UTF16String();
  return mevcore::utility::AsciiToUTF16(key, std::strlen(key));
}

void NoLocalizer::FlushCache() {}

}  // namespace velders
