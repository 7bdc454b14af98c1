#include "mevcore/config/Exception.h"

#include <cstring>

namespace mevcore {
namespace config {
namespace {

// strerror_r comes in two flavours; these pick the text out of either.
[[maybe_unused]] const char* PickedText(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* PickedText(const char* result, const char*) { return result; }

}  // namespace

std::string ErrorText(int error) {
  if (error == kNotRegularFile) return "it is not a regular file";
  char buffer[256] = {};
  return PickedText(strerror_r(error, buffer, sizeof buffer), buffer);
}

std::string SystemErrorText(const std::string& operation, const std::string& path, int error) {
  return operation + " " + path + ": " + ErrorText(error);
}

void ThrowSystemError(const std::string& operation, const std::string& path, int error) {
  throw mev_exception(SystemErrorText(operation, path, error), error);
}

}  // namespace config
}  // namespace mevcore
