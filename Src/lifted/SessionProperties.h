#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include <boost/any.hpp>
#include <git2.h>

#include "mevcore/serialization/JSON.h"
#include "mevcore/utility/ImmutableString.h"
#include "mevcore/utility/SmallBlockAllocator.h"
#include "mevcore/utility/Text.h"
#include "mevstorage/git/Wrap.h"

namespace velders {

using TagList = std::vector<mevcore::utility::ImmutableString,
                            mevcore::utility::SmallBlockAllocator<mevcore::utility::ImmutableString>>;

// Members of the properties object other than the four known ones, by name
// (byte-wise order); the values are shared with the parsed tree, never copied.
using OtherProperties = std::map<
    mevcore::utility::UTF8String, mevcore::serialization::SharedValue,
    std::less<mevcore::utility::UTF8String>,
    mevcore::utility::SmallBlockAllocator<
        std::pair<const mevcore::utility::UTF8String, mevcore::serialization::SharedValue>>>;

// A project's session properties: the "properties" blob at the root of its
// tree. otherProperties never holds "name", "description", "tags",
// "commitId" or the empty name.
struct SessionProperties {
  mevcore::utility::ImmutableString name;
  mevcore::utility::ImmutableString description;
  TagList tags;
  mevcore::utility::ImmutableString commitId;
  OtherProperties otherProperties;
};

// Reads the blob's JSON text, plain or inside a "SerializerWrappedObject"
// wrapper. Throws std::runtime_error("JSON not well-formed") for text that
// is not JSON, and boost::bad_any_cast for a value of the wrong type.
SessionProperties ParseSessionProperties(const unsigned char* text, std::size_t size);

// The record of a parsed JSON object; throws boost::bad_any_cast when the
// value or a known member has the wrong type.
SessionProperties SessionPropertiesFromVariant(const boost::any& root);

// The JSON object of the record: the four known members always, then the
// other members with their shared values.
boost::any SessionPropertiesToVariant(const SessionProperties& properties);

// Fills `properties` from the blob. False, with the plain assertion report,
// when the blob does not hold a properties object; `properties` then stays
// as it was.
bool DeserializeFromBlob(const mevstorage::git::Wrap<git_blob>& blob,
                         SessionProperties& properties);

}  // namespace velders
