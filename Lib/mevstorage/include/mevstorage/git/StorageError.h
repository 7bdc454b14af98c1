#pragma once

#include <stdexcept>
#include <string>

namespace mevstorage {
namespace git {

// A repository that cannot be opened or used: the message names the folder
// and the reason.
class StorageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace git
}  // namespace mevstorage
