// Fuzzes the JSON forms the recovery reads and writes: whatever is read is
// written, read again and written again, and must come back the same. Both
// the session properties record and the core JSON tree beneath it are
// checked; text that is refused on the first read is fine.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>

#include "lifted/SessionProperties.h"
#include "mevcore/serialization/JSON.h"

namespace {

namespace json = mevcore::serialization;
using mevcore::utility::ImmutableString;
using mevcore::utility::UTF8String;
using velders::SessionProperties;

std::string Shown(const UTF8String& text) { return mevcore::utility::ToNarrow(text); }

[[noreturn]] void Fail(const std::string& what, const UTF8String& first,
                       const UTF8String& second) {
  std::fprintf(stderr, "%s\n  first:  %s\n  second: %s\n", what.c_str(), Shown(first).c_str(),
               Shown(second).c_str());
  std::abort();
}

// Runs a step that may not fail once the first read has accepted the input.
template <class Step>
auto MustSucceed(const char* step, const UTF8String& input, Step run) -> decltype(run()) {
  try {
    return run();
  } catch (const std::exception& error) {
    Fail(std::string(step) + " failed: " + error.what(), input, UTF8String());
  }
}

UTF8String Write(const boost::any& value) {
  return json::GetJSONUTF8String(boost::make_shared<boost::any>(value), false);
}

// The record as a list of texts: the four fields, the tags, then each other
// member's name and written value.
std::vector<UTF8String> Describe(const SessionProperties& properties) {
  std::vector<UTF8String> fields = {properties.name.str(), properties.description.str(),
                                    properties.commitId.str(),
                                    mevcore::utility::ToUTF8(std::to_string(properties.tags.size()))};
  for (const ImmutableString& tag : properties.tags) fields.push_back(tag.str());
  for (const auto& member : properties.otherProperties) {
    fields.push_back(member.first);
    fields.push_back(json::GetJSONUTF8String(member.second, false));
  }
  return fields;
}

SessionProperties ParseProperties(const UTF8String& text) {
  return velders::ParseSessionProperties(text.data(), text.size());
}

void CheckPropertiesRoundTrip(const UTF8String& input) {
  SessionProperties first;
  try {
    first = ParseProperties(input);
  } catch (const std::exception&) {
    return;
  }
  const UTF8String written =
      MustSucceed("writing the record", input, [&] { return Write(SessionPropertiesToVariant(first)); });
  const SessionProperties second =
      MustSucceed("reading the written record", written, [&] { return ParseProperties(written); });
  if (Describe(first) != Describe(second)) Fail("the record read back differs", input, written);
  const UTF8String rewritten = MustSucceed(
      "writing the record again", written, [&] { return Write(SessionPropertiesToVariant(second)); });
  if (rewritten != written) Fail("the record is written differently", written, rewritten);
}

void CheckTreeRoundTrip(const UTF8String& input) {
  const json::SharedValue root = json::JSONParse(input);
  if (!root) return;
  const UTF8String written =
      MustSucceed("writing the tree", input, [&] { return json::GetJSONUTF8String(root, false); });
  const json::SharedValue again = json::JSONParse(written);
  if (!again) Fail("the written tree is refused", input, written);
  const UTF8String rewritten = MustSucceed(
      "writing the tree again", written, [&] { return json::GetJSONUTF8String(again, false); });
  if (rewritten != written) Fail("the tree is written differently", written, rewritten);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const UTF8String input(data, size);
  CheckPropertiesRoundTrip(input);
  CheckTreeRoundTrip(input);
  return 0;
}
