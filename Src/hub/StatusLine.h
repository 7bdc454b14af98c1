#pragma once

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

#include "project/Inspect.h"

namespace velders {
namespace hub {

// Every kind, in the order the count lines follow.
constexpr project::Inspection::Kind kAllKinds[] = {
    project::Inspection::Kind::kWouldRecover, project::Inspection::Kind::kRecovered,
    project::Inspection::Kind::kLeftPartWay,  project::Inspection::Kind::kNotAProject,
    project::Inspection::Kind::kUnreadable,   project::Inspection::Kind::kSkipped,
};

// The line `status` prints for one entry of the hub: "<shown>: " and what a
// run of the recovery would do with it, for example
//   "P.vd: would recover \"Harbour Lights\", modified 2017-Nov-20 10:44:32;
//    \"version\" upgraded with either upgrade answer; renamed to \"P.vd2\""
// (one line). Everything taken from the entry goes through ConsoleSafe.
std::string StatusLine(const std::string& shown, const project::Inspection& inspection);

// The entry as JSON: "folder", "kind" (KindKey) and the kind's own members,
// as the README's section on `status` lists them.
nlohmann::json StatusJson(const std::string& shown, const project::Inspection& inspection);

// The kind's key in the JSON document: "wouldRecover", "recovered",
// "leftPartWay", "notAProject", "unreadable", "skipped".
const char* KindKey(project::Inspection::Kind kind);

// "3 would be recovered", "1 already recovered", "2 left part way",
// "1 not a project" (or "not projects"), "1 cannot be read", "4 skipped".
std::string CountLine(project::Inspection::Kind kind, std::size_t count);

}  // namespace hub
}  // namespace velders
