#pragma once

#include "mevcore/utility/Text.h"

namespace velders {
namespace project {

// Folders of the older data model end in ".vd", current ones in ".vd2"; the
// test is the one the promotion makes (case-sensitive, the last extension).
bool IsOlderName(const mevcore::utility::UTF16String& name);
bool IsPromotedName(const mevcore::utility::UTF16String& name);
// "<title>.vd" -> "<title>.vd2" and back.
mevcore::utility::UTF16String PromotedName(const mevcore::utility::UTF16String& name);
mevcore::utility::UTF16String DemotedName(const mevcore::utility::UTF16String& name);

}  // namespace project
}  // namespace velders
