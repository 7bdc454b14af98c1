#include "lifted/SessionProperties.h"

#include <string>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "TestRepository.h"
#include "TestSupport.h"

namespace velders {
namespace {

namespace git = mevstorage::git;
namespace json = mevcore::serialization;
using mevcore::utility::ToNarrow;
using mevcore::utility::ToUTF8;

SessionProperties Parse(const std::string& text) {
  return ParseSessionProperties(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

std::string Text(const mevcore::utility::ImmutableString& text) {
  return std::string(text.c_str(), text.size());
}

std::string Written(const SessionProperties& properties) {
  return ToNarrow(json::GetJSONUTF8String(
      boost::make_shared<boost::any>(SessionPropertiesToVariant(properties)), false));
}

std::string RoundTrip(const std::string& text) { return Written(Parse(text)); }

TEST(SessionPropertiesReading, EmptyObjectGivesEmptyRecord) {
  const SessionProperties properties = Parse("{}");
  EXPECT_TRUE(properties.name.empty());
  EXPECT_TRUE(properties.description.empty());
  EXPECT_TRUE(properties.tags.empty());
  EXPECT_TRUE(properties.commitId.empty());
  EXPECT_TRUE(properties.otherProperties.empty());
  EXPECT_EQ(Written(properties), R"({"commitId":"","description":"","name":"","tags":[]})");
}

TEST(SessionPropertiesReading, KnownMembersFillTheirFields) {
  const SessionProperties properties =
      Parse(R"({"name":"Harbour Lights","description":"Night","tags":["a","b","a"],"commitId":"c0"})");
  EXPECT_EQ(Text(properties.name), "Harbour Lights");
  EXPECT_EQ(Text(properties.description), "Night");
  ASSERT_EQ(properties.tags.size(), 3u);
  EXPECT_EQ(Text(properties.tags[0]), "a");
  EXPECT_EQ(Text(properties.tags[1]), "b");
  EXPECT_EQ(Text(properties.tags[2]), "a");
  EXPECT_EQ(Text(properties.commitId), "c0");
  EXPECT_TRUE(properties.otherProperties.empty());
}

TEST(SessionPropertiesReading, WrapperObjectIsUnwrapped) {
  const SessionProperties properties =
      Parse(R"({"SerializerWrappedObject":{"name":"A","x":1},"name":"B","y":2})");
  EXPECT_EQ(Text(properties.name), "A");
  EXPECT_EQ(Written(properties), R"({"commitId":"","description":"","name":"A","tags":[],"x":1})");
}

TEST(SessionPropertiesReading, MemberNamedLikeTheWrapperIsWrittenWrapped) {
  const std::string twice = R"({"SerializerWrappedObject":{"SerializerWrappedObject":5,"name":"A"}})";
  const SessionProperties properties = Parse(twice);
  EXPECT_EQ(Text(properties.name), "A");
  ASSERT_EQ(properties.otherProperties.size(), 1u);
  const std::string written = Written(properties);
  EXPECT_EQ(written,
            R"({"SerializerWrappedObject":{"SerializerWrappedObject":5,"commitId":"",)"
            R"("description":"","name":"A","tags":[]}})");
  EXPECT_EQ(Text(Parse(written).name), "A");
  EXPECT_EQ(RoundTrip(written), written);
}

TEST(SessionPropertiesReading, EmptyTagArrayGivesNoTags) {
  EXPECT_TRUE(Parse(R"({"tags":[]})").tags.empty());
}

TEST(SessionPropertiesReading, NonAsciiTextKeepsItsBytes) {
  const SessionProperties properties = Parse("{\"name\":\"H\xC3\xA4" "fen \\u00e9\xF0\x9F\x8E\xAC\"}");
  EXPECT_EQ(Text(properties.name), "H\xC3\xA4" "fen \xC3\xA9\xF0\x9F\x8E\xAC");
}

TEST(SessionPropertiesReading, WrongShapesFail) {
  EXPECT_THROW(Parse(R"({"tags":["a",1]})"), boost::bad_any_cast);
  EXPECT_THROW(Parse(R"({"tags":"a"})"), boost::bad_any_cast);
  EXPECT_THROW(Parse(R"({"name":5})"), boost::bad_any_cast);
  EXPECT_THROW(Parse(R"({"description":null})"), boost::bad_any_cast);
  EXPECT_THROW(Parse(R"({"commitId":{}})"), boost::bad_any_cast);
  EXPECT_THROW(Parse("[1]"), boost::bad_any_cast);
  EXPECT_THROW(Parse("\"text\""), boost::bad_any_cast);
  EXPECT_THROW(Parse(R"({"SerializerWrappedObject":[1]})"), boost::bad_any_cast);
}

TEST(SessionPropertiesReading, TextThatIsNotJsonFails) {
  for (const std::string text : {"", "not json", "{\"name\":", "{} {}"}) {
    try {
      Parse(text);
      ADD_FAILURE() << "read " << text;
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "JSON not well-formed") << text;
    }
  }
}

TEST(SessionPropertiesOtherMembers, EveryOtherMemberIsWrittenBack) {
  EXPECT_EQ(RoundTrip(R"({"name":"A","x":3})"),
            R"({"commitId":"","description":"","name":"A","tags":[],"x":3})");
  const std::string full =
      "{\"a\":{\"deep\":[1,{\"b\":null}]},\"commitId\":\"c\",\"description\":\"d\","
      "\"f\":false,\"n\":-12,\"name\":\"N\",\"nil\":null,\"t\":true,\"tags\":[\"x\"],"
      "\"u\":18446744073709551615,\"\xC3\xBC\":\"\xC3\xA9\"}";
  EXPECT_EQ(RoundTrip(full), full);
}

TEST(SessionPropertiesOtherMembers, KnownAndEmptyNamesAreNeverOthers) {
  const SessionProperties properties = Parse(R"({"":1,"name":"A","tags":[],"z":2})");
  ASSERT_EQ(properties.otherProperties.size(), 1u);
  EXPECT_EQ(properties.otherProperties.begin()->first, ToUTF8("z"));
  EXPECT_EQ(Written(properties), R"({"commitId":"","description":"","name":"A","tags":[],"z":2})");
}

TEST(SessionPropertiesOtherMembers, ValuesAreSharedNotCopied) {
  const json::SharedValue root = json::JSONParse(ToUTF8(R"({"x":{"y":1}})"));
  const SessionProperties properties = SessionPropertiesFromVariant(*root);
  const SessionProperties copy = properties;
  const auto& object = boost::any_cast<const json::JSONObject&>(*root);
  const json::SharedValue original = object.at(ToUTF8("x"));
  EXPECT_EQ(properties.otherProperties.at(ToUTF8("x")), original);
  EXPECT_EQ(copy.otherProperties.at(ToUTF8("x")), original);
  const boost::any written = SessionPropertiesToVariant(copy);
  EXPECT_EQ(boost::any_cast<const json::JSONObject&>(written).at(ToUTF8("x")), original);
}

class DeserializeFromBlobTest : public testsupport::StorageTest {
 protected:
  DeserializeFromBlobTest()
      : repository_(git::CreateRepository(
            mevcore::filesupport::Dir::FromNativePath(scratch_ / "git"))) {}

  const git::Wrap<git_blob>& Blob(const std::string& bytes) {
    const git_oid id = git::WriteBlob(repository_, bytes.data(), bytes.size());
    blob_ = boost::make_shared<git::Wrap<git_blob>>();
    EXPECT_EQ(git_blob_lookup(&blob_->ptr, repository_->ptr, &id), 0);
    return *blob_;
  }

  SessionProperties Preset() {
    SessionProperties properties;
    properties.name = mevcore::utility::ImmutableString::CreateStatic("Preset");
    properties.tags.push_back(properties.name);
    return properties;
  }

  samplehub::ScratchFolder scratch_;
  git::RepositoryHandle repository_;
  git::BlobHandle blob_;
  testsupport::RecordedDiagnostics diagnostics_;
};

TEST_F(DeserializeFromBlobTest, FillsTheRecordFromTheBlobBytes) {
  SessionProperties properties = Preset();
  EXPECT_TRUE(DeserializeFromBlob(Blob(R"({"name":"A","x":[true]})"), properties));
  EXPECT_EQ(Text(properties.name), "A");
  EXPECT_TRUE(properties.tags.empty());
  EXPECT_EQ(properties.otherProperties.size(), 1u);
  EXPECT_TRUE(diagnostics_.sink.asserts.empty());
}

TEST_F(DeserializeFromBlobTest, FailureLeavesRecordAndRaisesPlainAssertion) {
  for (const std::string bytes : {"", "{", "[1]", R"({"name":5})", R"({"tags":["a",1]})"}) {
    SessionProperties properties = Preset();
    EXPECT_FALSE(DeserializeFromBlob(Blob(bytes), properties)) << bytes;
    EXPECT_EQ(Text(properties.name), "Preset");
    EXPECT_EQ(properties.tags.size(), 1u);
  }
  const auto& asserts = diagnostics_.sink.asserts;
  ASSERT_EQ(asserts.size(), 5u);
  EXPECT_EQ(asserts[0].condition, "false");
  EXPECT_EQ(asserts[0].message, "JSON not well-formed\r\n");
  EXPECT_EQ(asserts[0].file, "..\\..\\Src\\lifted");
  EXPECT_EQ(asserts[0].line, 74);
  EXPECT_EQ(asserts[0].function, "DeserializeFromBlob");
  EXPECT_TRUE(asserts[0].isAssert);
  EXPECT_EQ(asserts[3].message, std::string(boost::bad_any_cast().what()) + "\r\n");
  EXPECT_TRUE(diagnostics_.sink.logs.empty());
  EXPECT_TRUE(diagnostics_.sink.traces.empty());
}

TEST_F(DeserializeFromBlobTest, MutedSiteFailsSilently) {
  diagnostics_.sink.setMute = true;
  SessionProperties properties;
  EXPECT_FALSE(DeserializeFromBlob(Blob("{"), properties));
  EXPECT_FALSE(DeserializeFromBlob(Blob("{"), properties));
  EXPECT_EQ(diagnostics_.sink.asserts.size(), 1u);
}

TEST_F(DeserializeFromBlobTest, EmptyHolderIsFalseWithoutReport) {
  SessionProperties properties = Preset();
  EXPECT_FALSE(DeserializeFromBlob(git::Wrap<git_blob>(), properties));
  EXPECT_EQ(Text(properties.name), "Preset");
  EXPECT_TRUE(diagnostics_.sink.asserts.empty());
}

}  // namespace
}  // namespace velders
