#pragma once

#include <string>
#include <string_view>

namespace velders {

// Text from project data made safe to show on the console: the control bytes
// 0x00-0x1F and 0x7F, and the UTF-8 forms of the C1 controls U+0080..U+009F
// (0xC2 0x80..0x9F), become \xHH escapes, one per byte, in lowercase hex.
// Every other byte, invalid UTF-8 included, is kept as it is.
std::string ConsoleSafe(std::string_view bytes);

}  // namespace velders
