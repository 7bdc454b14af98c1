#pragma once

#include <optional>
#include <string>

namespace mevcore {
namespace filesupport {

// Why this process must not work on the entry at `path` (links followed):
// it belongs to a user other than the process's effective one, "root"
// included, since what the process made in it would belong to the wrong
// user: "<path> is owned by user <uid>; run as that user". None when the
// entry belongs to the process's user or is not there. Throws
// config::mev_exception naming the path when it cannot be examined.
std::optional<std::string> ForeignOwnerReason(const std::string& path);

}  // namespace filesupport
}  // namespace mevcore
