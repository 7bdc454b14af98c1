#include "mevcore/debug/Debug.h"

#include <algorithm>
#include <vector>

#include <execinfo.h>

namespace mevcore {
namespace debug {

// Kept out of line so that its own frame is always the first one skipped.
__attribute__((noinline)) int GenerateStackTrace(void** frames, int count, int skip) {
  if (!frames || count <= 0) return 0;
  const int ownFrames = 1;
  const int wanted = count + std::max(skip, 0) + ownFrames;
  std::vector<void*> captured(static_cast<std::size_t>(wanted));
  const int got = backtrace(captured.data(), wanted);
  const int first = std::min(got, std::max(skip, 0) + ownFrames);
  const int filled = std::min(count, got - first);
  std::copy_n(captured.begin() + first, filled, frames);
  return filled;
}

}  // namespace debug
}  // namespace mevcore
