#include <dirent.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "RepositoryAccess.h"
#include "VerifySteps.h"
#include "mevcore/filesupport/DiskInterface.h"

namespace mevstorage {
namespace git {

namespace {

using mevcore::filesupport::Disk;
using mevcore::filesupport::DiskInterface;

using NameSet = std::set<std::string>;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsFolder(const std::string& path, const DiskInterface::Entry& entry) {
  if (entry.type != DT_UNKNOWN) return entry.type == DT_DIR;
  struct stat info;
  return Disk().Lstat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// Every loose reference file under `folder` (the path of `name` inside the
// git folder), lock files left out as Git leaves them out. libgit2's own
// listing passes over files it cannot parse; this one does not.
void AddLooseNames(const std::string& gitPath, const std::string& name, NameSet& names,
                   ProblemList& problems) {
  const std::string folder = gitPath + "/" + name;
  std::vector<DiskInterface::Entry> entries;
  if (Disk().ListDir(folder, &entries) != 0) {
    problems.Add("Unable to list " + folder + ": " + std::strerror(errno));
    return;
  }
  for (const DiskInterface::Entry& entry : entries) {
    const std::string child = name + "/" + entry.name;
    if (IsFolder(gitPath + "/" + child, entry)) {
      AddLooseNames(gitPath, child, names, problems);
    } else if (!EndsWith(entry.name, ".lock")) {
      names.insert(child);
    }
  }
}

void AddListedNames(git_repository* repository, NameSet& names, ProblemList& problems) {
  git_reference_iterator* iterator = nullptr;
  int rc = git_reference_iterator_new(&iterator, repository);
  const char* name = nullptr;
  while (rc == 0 && (rc = git_reference_next_name(&name, iterator)) == 0) names.insert(name);
  if (rc != GIT_ITEROVER) problems.Add("Unable to list the references: " + LastGitError());
  git_reference_iterator_free(iterator);
}

using ReferencePtr = std::unique_ptr<git_reference, decltype(&git_reference_free)>;

ReferencePtr Hold(git_reference* reference) { return ReferencePtr(reference, &git_reference_free); }

// Resolves the reference and walks from its object.
void VerifyReference(git_repository* repository, const std::string& name, ReachabilityWalk& walk,
                     ProblemList& problems) {
  git_reference* found = nullptr;
  if (git_reference_lookup(&found, repository, name.c_str()) != 0) {
    problems.Add(name + " cannot be read: " + LastGitError());
    return;
  }
  const ReferencePtr reference = Hold(found);
  git_reference* resolved = nullptr;
  const int rc = git_reference_resolve(&resolved, reference.get());
  const ReferencePtr direct = Hold(resolved);
  if (rc == GIT_ENOTFOUND && git_reference_type(reference.get()) == GIT_REFERENCE_SYMBOLIC) {
    problems.Add(name + " names " + git_reference_symbolic_target(reference.get()) +
                 ", which does not exist");
  } else if (rc != 0) {
    problems.Add(name + " cannot be resolved: " + LastGitError());
  } else {
    walk.FromReference(name, *git_reference_target(direct.get()));
  }
}

}  // namespace

void VerifyReferences(git_repository* repository, const std::string& gitFolderPath,
                      const OidSet& damaged, ProblemList& problems) {
  git_odb* odb = nullptr;
  if (git_repository_odb(&odb, repository) != 0) {
    problems.Add("Unable to read the objects of " + gitFolderPath + ": " + LastGitError());
    return;
  }
  NameSet names;
  AddListedNames(repository, names, problems);
  AddLooseNames(gitFolderPath, "refs", names, problems);
  ReachabilityWalk walk(repository, odb, damaged, problems);
  VerifyReference(repository, "HEAD", walk, problems);
  for (const std::string& name : names) VerifyReference(repository, name, walk, problems);
  git_odb_free(odb);
}

}  // namespace git
}  // namespace mevstorage
