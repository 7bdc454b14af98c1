#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The member of the large properties that holds their bulk.
extern const char* const kLargeMemberName;

// The properties text of about `mebibytes` MiB: the bench project's name and
// description and the member kLargeMemberName, a string of printable ASCII
// with a few escapes and multi-byte characters, as an embedded preview would
// be. Its size is at most m MiB and within 128 bytes of it.
std::string LargePropertiesText(std::size_t mebibytes);

// Makes, in `hubFolder` (made when missing), the project folder
// BenchFolderName(0, 1), which must not exist yet, with one commit whose
// session properties are LargePropertiesText(mebibytes). The storage library
// must be started. Throws the sample hub builder's errors naming what failed.
void MakePropertiesHub(const std::string& hubFolder, std::size_t mebibytes);

}  // namespace bench
