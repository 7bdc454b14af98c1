#include "project/FolderNames.h"

#include "mevcore/filesupport/File.h"

namespace velders {
namespace project {

using mevcore::filesupport::File;
using mevcore::utility::AsciiToUTF16;
using mevcore::utility::UTF16String;

bool IsOlderName(const UTF16String& name) {
  return File(name).GetExtension(true) == AsciiToUTF16(".vd");
}

bool IsPromotedName(const UTF16String& name) {
  return File(name).GetExtension(true) == AsciiToUTF16(".vd2");
}

UTF16String PromotedName(const UTF16String& name) {
  return File(name).GetTitle() + AsciiToUTF16(".vd2");
}

UTF16String DemotedName(const UTF16String& name) {
  return File(name).GetTitle() + AsciiToUTF16(".vd");
}

}  // namespace project
}  // namespace velders
