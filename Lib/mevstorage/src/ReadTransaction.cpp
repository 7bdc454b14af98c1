#include "mevstorage/git/ReadTransaction.h"

#include "RepositoryAccess.h"

namespace mevstorage {
namespace git {

ReadTransaction::ReadTransaction(const RepositoryHandle& repository)
    : database_(Holds(repository) ? FindObjectDatabase(repository->ptr) : nullptr) {
  if (database_ && !database_->BeginReads()) database_ = nullptr;
}

ReadTransaction::~ReadTransaction() {
  if (database_) database_->EndReads();
}

}  // namespace git
}  // namespace mevstorage
