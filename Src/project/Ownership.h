#pragma once

#include <optional>
#include <string>

#include "mevcore/filesupport/Dir.h"

namespace velders {
namespace project {

// Why this process must not change the project: the project folder or its
// "git" folder belongs to another user (mevcore's ForeignOwnerReason, the
// first of them that does); none when both belong to the process's user.
// Throws mevcore's mev_exception naming a folder that cannot be examined.
std::optional<std::string> ForeignOwner(const mevcore::filesupport::Dir& project);

}  // namespace project
}  // namespace velders
