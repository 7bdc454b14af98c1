#include "mevcore/config/Config.h"

#include <mutex>

namespace mevcore {
namespace config {
namespace {

struct Settings {
  std::mutex mutex;
  utility::UTF16String applicationName;
  utility::UTF16String clientVersion;
  Localizer* localizer = nullptr;
  filesupport::Dir resources;
};

// Never destroyed: a localizer of static duration may still remove itself
// after the other statics are gone.
Settings& TheSettings() {
  static Settings* settings = new Settings;
  return *settings;
}

}  // namespace

void SetApplicationName(const utility::UTF16String& name) {
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  settings.applicationName = name;
}

void SetClientVersion(const utility::UTF16String& version) {
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  settings.clientVersion = version;
}

utility::UTF16String GetApplicationName() {
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  return settings.applicationName;
}

utility::UTF16String GetClientVersion() {
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  return settings.clientVersion;
}

// A localizer destroyed while still installed removes itself, so the library
// never holds a dangling one.
Localizer::~Localizer() {
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  if (settings.localizer == this) {
    settings.localizer = nullptr;
    settings.resources = filesupport::Dir();
  }
}

void Localizer::Set(Localizer* localizer, const filesupport::Dir& resources) {
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  settings.localizer = localizer;
  settings.resources = localizer ? resources : filesupport::Dir();
}

Localizer* Localizer::Get() {
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  return settings.localizer;
}

}  // namespace config
}  // namespace mevcore
