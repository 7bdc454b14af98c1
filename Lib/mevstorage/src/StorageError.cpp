#include "mevstorage/git/StorageError.h"

#include <git2.h>

namespace mevstorage {
namespace git {

std::string LastGitError(const char* fallback) {
  const git_error* error = git_error_last();
  return error && error->message ? error->message : fallback;
}

namespace {

int LastGitClass() {
  const git_error* error = git_error_last();
  return error ? error->klass : 0;
}

}  // namespace

void ThrowLastGitError(const std::string& context) {
  throw StorageError(context, LastGitError(), LastGitClass());
}

void ThrowLastGitError() { throw StorageError(LastGitError(), LastGitClass()); }

}  // namespace git
}  // namespace mevstorage
