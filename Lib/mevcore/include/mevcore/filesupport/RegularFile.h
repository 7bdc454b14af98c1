#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace mevcore {
namespace filesupport {

// Opens `path` through Disk() with `flags` (O_CLOEXEC added) and keeps the
// descriptor only when it names a regular file. The open itself never waits:
// O_NONBLOCK keeps a FIFO from blocking until a peer comes, O_NOCTTY keeps a
// terminal from becoming ours. O_NONBLOCK stays on the descriptor: reads and
// writes of a regular file ignore it. A FIFO, device, socket or folder gives -1 with
// errno config::kNotRegularFile (and nothing is left open); any other failure
// gives -1 with the call's errno. When `info` is given it receives the
// file's status as fstat saw it. With O_CREAT a missing file is made with
// `mode` as open(2) would.
int OpenRegularFile(const std::string& path, int flags, mode_t mode, struct stat* info = nullptr);

}  // namespace filesupport
}  // namespace mevcore
