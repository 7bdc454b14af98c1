#include "mevcore/debug/DiagnosticSink.h"

#include <atomic>

#include <boost/make_shared.hpp>

#include "DiagnosticSinkCurrent.h"

namespace mevcore {
namespace debug {
namespace {

std::atomic<DiagnosticSink*> gInstalledSink{nullptr};

}  // namespace

void RecordingSink::OnLog(const logging::LogMessage& record) {
  logs.push_back(boost::make_shared<logging::LogMessage>(record));
}

void RecordingSink::OnTrace(const std::string& line) {
  traces.push_back(line);
}

bool RecordingSink::OnAssert(const AssertReport& report, bool& mute) {
  asserts.push_back(report);
  if (setMute) mute = true;
  return breakAnswer;
}

void SetDiagnosticSink(DiagnosticSink* sink) {
  gInstalledSink.store(sink);
}

DiagnosticSink& CurrentDiagnosticSink() {
  DiagnosticSink* sink = gInstalledSink.load();
  return sink ? *sink : FileDiagnosticSink();
}

}  // namespace debug
}  // namespace mevcore
