#include "lifted/SessionProperties.h"

#include <exception>
#include <stdexcept>

#include "platform/Diagnostics.h"
#include "platform/ReportSites.h"

namespace velders {
namespace {

namespace json = mevcore::serialization;
using mevcore::utility::ImmutableString;
using mevcore::utility::UTF8String;

const char kWrapperKey[] = "SerializerWrappedObject";
const char kNameKey[] = "name";
const char kDescriptionKey[] = "description";
const char kTagsKey[] = "tags";
const char kCommitIdKey[] = "commitId";

// The member's value, or null when the object has none (or an empty one).
json::SharedValue MemberValue(const json::JSONObject& object, const char* key) {
  if (!json::ObjectHasProperty(object, key, false)) return json::SharedValue();
  json::SharedValue value = json::GetVariantInObject(object, key);
  if (!value || value->empty()) return json::SharedValue();
  return value;
}

ImmutableString TextOf(const json::SharedValue& value) {
  if (!value) throw boost::bad_any_cast();
  return ImmutableString::CreateDynamic(boost::any_cast<const UTF8String&>(*value));
}

void ReadText(const json::JSONObject& object, const char* key, ImmutableString& field) {
  if (json::SharedValue value = MemberValue(object, key)) field = TextOf(value);
}

void ReadTags(const json::JSONObject& object, TagList& tags) {
  json::SharedValue value = MemberValue(object, kTagsKey);
  if (!value) return;
  TagList read;
  for (const json::SharedValue& element : boost::any_cast<const json::JSONArray&>(*value)) {
    read.push_back(TextOf(element));
  }
  tags = std::move(read);
}

OtherProperties OtherMembers(const json::JSONObject& object) {
  OtherProperties others(object.begin(), object.end());
  for (const char* known : {kNameKey, kDescriptionKey, kTagsKey, kCommitIdKey, ""}) {
    others.erase(mevcore::utility::ToUTF8(known));
  }
  return others;
}

// The wrapped object when the root is a wrapper, else the root itself.
json::SharedValue Unwrapped(const json::SharedValue& root) {
  const auto* object = root ? boost::any_cast<json::JSONObject>(root.get()) : nullptr;
  if (!object) return root;
  json::SharedValue wrapped = json::GetVariantInObject(*object, kWrapperKey);
  return wrapped ? wrapped : root;
}

}  // namespace

SessionProperties ParseSessionProperties(const unsigned char* text, std::size_t size) {
  const json::SharedValue root = Unwrapped(json::JSONParse(text, size));
  if (!root) throw std::runtime_error("JSON not well-formed");
  return SessionPropertiesFromVariant(*root);
}

SessionProperties SessionPropertiesFromVariant(const boost::any& root) {
  const auto& object = boost::any_cast<const json::JSONObject&>(root);
  SessionProperties properties;
  ReadText(object, kNameKey, properties.name);
  ReadText(object, kDescriptionKey, properties.description);
  ReadTags(object, properties.tags);
  ReadText(object, kCommitIdKey, properties.commitId);
  properties.otherProperties = OtherMembers(object);
  return properties;
}

boost::any SessionPropertiesToVariant(const SessionProperties& properties) {
  json::JSONObject object;
  json::AddToObject(object, kNameKey, properties.name.str());
  json::AddToObject(object, kDescriptionKey, properties.description.str());
  json::JSONArray tags;
  for (const ImmutableString& tag : properties.tags) json::AppendToArray(tags, tag.str());
  json::AddToObject(object, kTagsKey, tags);
  json::AddToObject(object, kCommitIdKey, properties.commitId.str());
  for (const auto& member : properties.otherProperties) {
    json::AddToObject(object, member.first, member.second);
  }
  // A member of the wrapper's own name would make the written object read as
  // a wrapper; wrapped once more, it reads back as this record.
  if (!properties.otherProperties.count(mevcore::utility::ToUTF8(kWrapperKey))) return object;
  json::JSONObject wrapper;
  json::AddToObject(wrapper, kWrapperKey, json::MakeValue(object));
  return wrapper;
}

bool DeserializeFromBlob(const mevstorage::git::Wrap<git_blob>& blob,
                         SessionProperties& properties) {
  if (!blob.ptr) return false;
  try {
    const auto* bytes = static_cast<const unsigned char*>(git_blob_rawcontent(blob.ptr));
    const auto size = static_cast<std::size_t>(git_blob_rawsize(blob.ptr));
    properties = ParseSessionProperties(bytes, size);
    return true;
  } catch (const std::exception& error) {
    ReportAssertion(sites::deserializeFailed, error.what());
    return false;
  }
}

}  // namespace velders
