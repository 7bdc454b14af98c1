#pragma once

#include <gtest/gtest.h>

#include "mevcore/config/Config.h"
#include "mevcore/debug/Debug.h"
#include "mevcore/debug/DiagnosticSink.h"
#include "platform/ReportSites.h"

namespace velders {

// Catches every report in a RecordingSink, with logging on and tracing off;
// the sites start fresh.
class DiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mevcore::config::SetApplicationName(mevcore::utility::AsciiToUTF16("Velders Test"));
    mevcore::debug::SetLoggingMuted(false);
    mevcore::debug::SetTraceCategories("");
    mevcore::debug::SetDiagnosticSink(&sink_);
    sites::ResetAllSites();
  }
  void TearDown() override {
    mevcore::debug::SetDiagnosticSink(nullptr);
    mevcore::debug::SetTraceCategories("");
    sites::ResetAllSites();
  }

  mevcore::debug::RecordingSink sink_;
};

}  // namespace velders
