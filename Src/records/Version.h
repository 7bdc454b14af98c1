#pragma once

namespace velders {

// The program's version, as the dialogue, the recovery information file and
// the core library's client version give it. It comes from the project's
// version in the build (CMake's project(VERSION)).
constexpr const char kVersionText[] = VELDERS_VERSION;

}  // namespace velders
