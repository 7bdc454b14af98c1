#pragma once

#include <git2.h>

namespace mevstorage {
namespace git {

// How each wrapped libgit2 object is freed.
inline void FreeGitObject(git_repository* p) { git_repository_free(p); }
inline void FreeGitObject(git_commit* p) { git_commit_free(p); }
inline void FreeGitObject(git_tree* p) { git_tree_free(p); }
inline void FreeGitObject(git_blob* p) { git_blob_free(p); }
inline void FreeGitObject(git_treebuilder* p) { git_treebuilder_free(p); }
inline void FreeGitObject(git_reference* p) { git_reference_free(p); }
inline void FreeGitObject(git_odb* p) { git_odb_free(p); }

// Holds one libgit2 object pointer and frees the object when destroyed.
template <class T>
struct Wrap {
  T* ptr = nullptr;

  Wrap() = default;
  explicit Wrap(T* p) : ptr(p) {}
  Wrap(const Wrap&) = delete;
  Wrap& operator=(const Wrap&) = delete;
  ~Wrap() {
    if (ptr) FreeGitObject(ptr);
  }
};

}  // namespace git
}  // namespace mevstorage
