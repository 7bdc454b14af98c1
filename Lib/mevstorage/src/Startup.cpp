#include "FaultVfs.h"
#include "RepositoryAccess.h"
#include "mevstorage/git/StorageError.h"

namespace mevstorage {
namespace git {

void Startup() {
  if (git_libgit2_init() < 0) throw StorageError("Unable to start libgit2: " + LastGitError());
  // References are written with fsync, so a moved branch survives a crash.
  git_libgit2_opts(GIT_OPT_ENABLE_FSYNC_GITDIR, 1);
  // Only the repository's own settings count: a user's or the system's Git
  // settings must not change what a recovery writes, and looking for them on
  // every step costs file-system calls per project.
  for (git_config_level_t level :
       {GIT_CONFIG_LEVEL_SYSTEM, GIT_CONFIG_LEVEL_XDG, GIT_CONFIG_LEVEL_GLOBAL,
        GIT_CONFIG_LEVEL_PROGRAMDATA}) {
    git_libgit2_opts(GIT_OPT_SET_SEARCH_PATH, level, "");
  }
  if (!RegisterCountedVfs()) throw StorageError("Unable to start SQLite's file layer");
}

void Shutdown() { git_libgit2_shutdown(); }

}  // namespace git
}  // namespace mevstorage
