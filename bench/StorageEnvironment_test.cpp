#include <gtest/gtest.h>

#include "mevstorage/git/Storage.h"

namespace {

// The hub builder of these tests opens repositories.
class StorageEnvironment : public testing::Environment {
 public:
  void SetUp() override { mevstorage::git::Startup(); }
  void TearDown() override { mevstorage::git::Shutdown(); }
};

const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new StorageEnvironment);

}  // namespace
