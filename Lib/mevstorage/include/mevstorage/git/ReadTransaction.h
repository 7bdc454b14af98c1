#pragma once

#include "mevstorage/git/Storage.h"

namespace mevstorage {
namespace git {

class ObjectDatabase;

// While it lives, the object reads of a repository share one read
// transaction of its database: one lock of the file and one look at whether
// it changed, rather than one of each a read. The first write ends it, since
// the writes take a transaction of their own. It keeps other programs from
// writing the database meanwhile, so it must not last across a wait for the
// user; the repository must outlive it. A repository without a database of
// its own, or one whose transaction cannot begin, reads one object at a
// time as without it.
class ReadTransaction {
 public:
  explicit ReadTransaction(const RepositoryHandle& repository);
  ~ReadTransaction();
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  ObjectDatabase* database_;
};

}  // namespace git
}  // namespace mevstorage
