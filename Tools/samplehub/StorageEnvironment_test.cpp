#include "StorageEnvironment.h"

namespace {

// Every test of this binary may open repositories.
const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new mevstorage::testing::StorageEnvironment);

}  // namespace
