#pragma once

#include <stdexcept>

namespace samplehub {

// A sample that cannot be made; the message names the file or folder and
// the reason.
class SampleHubError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The hub folder already holds something, so nothing was made.
class HubNotEmptyError : public SampleHubError {
 public:
  using SampleHubError::SampleHubError;
};

}  // namespace samplehub
