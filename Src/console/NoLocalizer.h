#pragma once

#include "mevcore/config/Config.h"

namespace velders {

// Gives every key back as its own text: the program needs no resource files.
class NoLocalizer : public mevcore::config::Localizer {
 public:
  mevcore::utility::UTF16String LocalizeString(const char* key) override;
  void FlushCache() override;
};

}  // namespace velders
