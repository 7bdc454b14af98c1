#pragma once

namespace velders {

// A user's answer to a question; the values are those the dialogue has
// always used, so a quit answer stops what a -1 stops.
enum class Answer : int { kQuit = -1, kNo = 0, kYes = 1 };

// What one project folder's turn in the walk came to.
enum class Outcome : int { kStopWalk = -1, kNotRecovered = 0, kRecovered = 1 };

}  // namespace velders
