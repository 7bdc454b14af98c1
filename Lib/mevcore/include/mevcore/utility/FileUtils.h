#pragma once

#include "mevcore/utility/Text.h"

namespace mevcore {
namespace utility {

class FileUtils {
 public:
  // Makes the folder and any missing parents; true when the folder exists
  // afterwards. Never throws for a folder that cannot be made.
  static bool EnsureDirectoryExists(const UTF16String& path);
};

}  // namespace utility
}  // namespace mevcore
