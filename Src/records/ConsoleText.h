#pragma once

#include <string>
#include <string_view>

namespace velders {

// Text from project data made safe to show on the console. These become
// \xHH escapes, one per byte, in lowercase hex:
// - the control bytes 0x00-0x1F and 0x7F;
// - the C1 controls U+0080..U+009F in UTF-8 (0xC2 0x80..0x9F);
// - the invisible format characters, which can reorder or hide what a name
//   shows: U+061C, U+180E, U+200B..U+200F, U+202A..U+202E, U+2060..U+2064,
//   U+2066..U+206F, U+FEFF, U+FFF9..U+FFFB, U+E0001 and U+E0020..U+E007F.
// One escape per byte is the form the controls already have, so every
// escape reads the same way and gives back the exact bytes of the name.
// Every other byte, invalid UTF-8 included, is kept as it is; a format
// character is recognised only in well-formed UTF-8.
std::string ConsoleSafe(std::string_view bytes);

}  // namespace velders
