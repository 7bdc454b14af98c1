#pragma once

#include "mevcore/filesupport/Dir.h"
#include "mevcore/utility/Text.h"

namespace mevcore {
namespace config {

void SetApplicationName(const utility::UTF16String& name);
void SetClientVersion(const utility::UTF16String& version);
utility::UTF16String GetApplicationName();
utility::UTF16String GetClientVersion();

// Turns the library's text keys into the application's language.
class Localizer {
 public:
  virtual ~Localizer();
  // The text for `key` (a zero-terminated narrow key; may be null).
  virtual utility::UTF16String LocalizeString(const char* key) = 0;
  // Drops any texts the localizer has cached.
  virtual void FlushCache() = 0;

  // Installs `localizer` (not owned; null removes it) with the folder of its
  // resources (may be empty).
  static void Set(Localizer* localizer, const filesupport::Dir& resources);
  static Localizer* Get();
};

}  // namespace config
}  // namespace mevcore
