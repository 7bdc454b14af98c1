#include "StorageEnvironment.h"

namespace {

// The hub builder of these tests opens repositories.
const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new mevstorage::testing::StorageEnvironment);

}  // namespace
