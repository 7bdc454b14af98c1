#pragma once

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

#include "project/Preview.h"

namespace velders {
namespace hub {

// Every kind, in the order the count lines follow.
constexpr project::Preview::Kind kAllKinds[] = {
    project::Preview::Kind::kWouldRecover, project::Preview::Kind::kWouldNotRecover,
    project::Preview::Kind::kRecovered,    project::Preview::Kind::kLeftPartWay,
    project::Preview::Kind::kNotAProject,  project::Preview::Kind::kUnreadable,
    project::Preview::Kind::kSkipped,
};

// The line `status` prints for one entry of the hub: "<shown>: " and what a
// run of the recovery would do with it, for example
//   "P.vd: would recover \"Harbour Lights\", modified 2017-Nov-20 10:44:32;
//    \"version\" upgraded with either upgrade answer; renamed to \"P.vd2\""
// (one line). Everything taken from the entry goes through ConsoleSafe.
std::string StatusLine(const std::string& shown, const project::Preview& preview);

// The entry as JSON: "folder", "kind" (KindKey) and the kind's own members,
// as the README's section on `status` lists them.
nlohmann::json StatusJson(const std::string& shown, const project::Preview& preview);

// The kind's key in the JSON document: "wouldRecover", "wouldNotRecover",
// "recovered", "leftPartWay", "notAProject", "unreadable", "skipped".
const char* KindKey(project::Preview::Kind kind);

// "3 would be recovered", "1 would not be recovered", "1 already recovered", "2 left part way",
// "1 not a project" (or "not projects"), "1 cannot be read", "4 skipped".
std::string CountLine(project::Preview::Kind kind, std::size_t count);

}  // namespace hub
}  // namespace velders
