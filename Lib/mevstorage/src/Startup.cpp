#include "FaultVfs.h"
#include "RepositoryAccess.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

void Startup() {
  if (git_libgit2_init() < 0) throw StorageError("Unable to start libgit2: " + LastGitError());
  // References are written with fsync, so a moved branch survives a crash.
  git_libgit2_opts(GIT_OPT_ENABLE_FSYNC_GITDIR, 1);
  if (!RegisterCountedVfs()) throw StorageError("Unable to start SQLite's file layer");
}

void Shutdown() { git_libgit2_shutdown(); }

}  // namespace git
}  // namespace mevstorage
