#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "SyncCompanions.h"

namespace samplehub {

// The "version" texts of the two data models.
extern const char* const kOlderDataModelVersion;
extern const char* const kCurrentDataModelVersion;

// The session properties of a sample project, written as one compact JSON
// object: "name", "description", "tags" and, when `extraMember` is not
// empty, that member with `extraValue`.
struct SampleProperties {
  std::string name;
  std::string description;
  std::vector<std::string> tags;
  std::string extraMember;
  nlohmann::json extraValue;

  std::string ToJson() const;
};

// One project folder to make inside a hub folder.
struct SampleProject {
  // The folder's name as native bytes; need not be UTF-8.
  std::string folderName;

  // The "properties" blob of the last commit: `propertiesText` byte for byte
  // when set, else `properties` as compact JSON. Each earlier commit k
  // (1-based) holds `properties` with " (draft k)" after the name, or the
  // same exact text when `propertiesText` is set.
  SampleProperties properties;
  std::optional<std::string> propertiesText;

  // One commit per entry, oldest first, in seconds since 1970; "production"
  // (and so HEAD) names the last. Without `git` no repository is made.
  bool git = true;
  std::vector<std::int64_t> commitTimes;
  // The last commit's message; "Saved edit session <n>" when unset.
  std::optional<std::string> lastCommitMessage;

  // Tree entries besides "properties", by slash-separated path, in every
  // commit ("data/model.json" makes a sub-tree "data").
  std::map<std::string, std::string> treeFiles;
  // Distinct blobs put in one batch into the object database and held by the
  // sub-tree "media" of every commit (for large projects).
  std::size_t extraBlobs = 0;

  bool syncDatabase = true;
  // Left beside "sync.sqlite3" by a program that used it.
  SyncCompanions syncCompanions = SyncCompanions::kNone;
  bool preRecoverySyncDatabase = false;
  bool deletedMarker = false;
  // The "version" file's content; no file when unset.
  std::optional<std::string> version = std::string(kCurrentDataModelVersion);
  // Further files in the project folder itself, by slash-separated path.
  std::map<std::string, std::string> folderFiles;

  // The "properties" text and the message of commit k of n (1-based).
  std::string PropertiesAtCommit(std::size_t k) const;
  std::string MessageAtCommit(std::size_t k) const;
};

}  // namespace samplehub
