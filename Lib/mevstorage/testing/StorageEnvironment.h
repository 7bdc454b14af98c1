#pragma once

#include <gtest/gtest.h>

#include "mevstorage/git/Storage.h"

namespace mevstorage {
namespace testing {

// Starts the storage library before the first test of a binary and stops it
// after the last, for binaries whose tests all may open repositories.
class StorageEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { git::Startup(); }
  void TearDown() override { git::Shutdown(); }
};

}  // namespace testing
}  // namespace mevstorage
