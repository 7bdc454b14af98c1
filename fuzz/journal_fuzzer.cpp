// Fuzzes the recovery journal reader, which reads both
// "git/recovery-in-progress.json" and "git/recovery-record.json": text it
// refuses must be refused with a std::runtime_error naming the file; a
// journal it accepts must be written, read back to the same journal and
// written again to the same text.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <tuple>

#include "FuzzSupport.h"
#include "project/Journal.h"

namespace {

using velders::project::Journal;

const char kPath[] = "/hub/P.vd2/git/recovery-record.json";

auto Fields(const Journal& j) {
  return std::tie(j.direction, j.commit, j.head, j.production, j.keepProduction, j.recoveryInfo,
                  j.priorRecoveryInfo, j.upgrade, j.priorVersion, j.savedVersionExisted,
                  j.deleted, j.promote, j.recoveryTime);
}

// Runs a step that may not fail once the input has been accepted.
template <class Step>
auto MustSucceed(const char* step, const std::string& input, Step run) -> decltype(run()) {
  try {
    return run();
  } catch (const std::exception& error) {
    fuzz::Fail(std::string(step) + " failed: " + error.what(), input);
  }
}

bool Parse(const std::string& text, Journal* journal) {
  try {
    *journal = velders::project::ParseJournal(text, kPath);
    return true;
  } catch (const std::runtime_error& error) {
    const std::string expected = std::string(kPath) + " is not a recovery journal: ";
    if (std::string(error.what()).rfind(expected, 0) != 0) {
      fuzz::Fail(std::string("the refusal does not name the file: ") + error.what(), text);
    }
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  Journal first;
  if (!Parse(input, &first)) return 0;
  const std::string written =
      MustSucceed("writing the journal", input, [&] { return JournalText(first); });
  Journal second;
  if (!Parse(written, &second)) fuzz::Fail("the written journal is refused", written);
  if (Fields(first) != Fields(second)) fuzz::Fail("the journal read back differs", written);
  if (JournalText(second) != written) fuzz::Fail("the journal is written differently", written);
  return 0;
}
