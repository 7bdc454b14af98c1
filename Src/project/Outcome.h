#pragma once

namespace velders {

// What one project folder's turn in the walk came to.
enum class Outcome { kStopWalk, kNotRecovered, kRecovered };

}  // namespace velders
