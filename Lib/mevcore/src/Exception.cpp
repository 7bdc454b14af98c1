#include "mevcore/config/Exception.h"

#include <cstring>

namespace mevcore {
namespace config {
namespace {

// strerror_r comes in two flavours; these pick the text out of either.
[[maybe_unused]] const char* ErrorText(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* ErrorText(const char* result, const char*) { return result; }

std::string DescribeError(int error) {
  char buffer[256] = {};
  return ErrorText(strerror_r(error, buffer, sizeof buffer), buffer);
}

}  // namespace

void ThrowSystemError(const std::string& operation, const std::string& path, int error) {
  throw mev_exception(operation + " " + path + ": " + DescribeError(error), error);
}

}  // namespace config
}  // namespace mevcore
