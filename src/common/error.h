// The one error type that ends a run. Its message is the user's text (UTF-8),
// shown by the front end as it stands; nothing below the front ends catches it
// except to close what it opened.
#pragma once

#include <stdexcept>
#include <string>

namespace tarvik {

class RunError : public std::runtime_error {
 public:
  explicit RunError(const std::string& message) : std::runtime_error(message) {}
};

// The person stopped the run before anything was written: nothing to tell
// but that.
class RunStopped : public RunError {
 public:
  RunStopped() : RunError("已取消") {}
};

}  // namespace tarvik
