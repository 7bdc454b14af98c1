#pragma once

#include "mevcore/filesupport/Dir.h"

namespace mevcore {
namespace filesupport {
namespace commondirs {

// The per-user shared documents folder: $HOME/Documents (HOME from the
// environment; when unset, the home folder of the user's passwd entry).
Dir MEVSharedDocumentsDir();

}  // namespace commondirs
}  // namespace filesupport
}  // namespace mevcore
