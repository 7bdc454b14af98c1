#pragma once

#include "mevcore/debug/DiagnosticSink.h"

namespace mevcore {
namespace debug {

// The sink that SetDiagnosticSink installed, or the file sink.
DiagnosticSink& CurrentDiagnosticSink();

// The default sink: log.jsonl and trace.log in the state folder.
DiagnosticSink& FileDiagnosticSink();

}  // namespace debug
}  // namespace mevcore
