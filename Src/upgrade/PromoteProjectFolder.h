#pragma once

#include "mevcore/filesupport/Dir.h"

namespace velders {

// Gives a project folder of the older data model (name ending exactly in
// ".vd") the current data model and the extension ".vd2"; other folders are
// left alone. The rename happens whether the upgrade succeeded or not; it
// never replaces an existing entry, and its failure (mev_exception) passes
// to the caller. False when the upgrade failed (the folder is renamed all the
// same); true otherwise.
bool PromoteProjectFolder(mevcore::filesupport::Dir projectFolder);

}  // namespace velders
