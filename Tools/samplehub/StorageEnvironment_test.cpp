#include <gtest/gtest.h>

#include "mevstorage/git/Storage.h"

namespace {

// Every test of this binary may open repositories.
class StorageEnvironment : public testing::Environment {
 public:
  void SetUp() override { mevstorage::git::Startup(); }
  void TearDown() override { mevstorage::git::Shutdown(); }
};

const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new StorageEnvironment);

}  // namespace
