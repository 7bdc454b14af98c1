#include "project/ProjectFiles.h"

#include <cerrno>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "TestSupport.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"

namespace velders {
namespace project {
namespace {

using mevcore::filesupport::File;

// A file system mounted read-only refuses the removal of any name, there or
// not: only one that is there is a failure.
TEST(RemoveIfThere, ARefusedRemovalFailsOnlyForAFileThatIsThere) {
  samplehub::ScratchFolder scratch;
  const std::string there = scratch / "there";
  testsupport::WriteFile(there, "kept");
  mevcore::filesupport::RealDiskInterface real;
  for (const std::string& path : {scratch / "missing", there}) {
    mevcore::filesupport::FaultInjectingDisk readOnly(real);
    readOnly.FailCall(1, EROFS);
    mevcore::filesupport::ScopedDisk installed(readOnly);
    if (path == there) {
      EXPECT_THROW(RemoveIfThere(File::FromNativePath(path)), std::exception);
    } else {
      EXPECT_NO_THROW(RemoveIfThere(File::FromNativePath(path)));
    }
    EXPECT_EQ(1u, readOnly.Failures());
  }
}

}  // namespace
}  // namespace project
}  // namespace velders
