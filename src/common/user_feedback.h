// All that the engine asks of a person. The window implements it with message
// boxes and its progress window, the command line with stderr lines and a
// progress bar, and the tests with RecordingFeedback.
#pragma once

#include <string>

namespace tarvik {

class UserFeedback {
 public:
  virtual ~UserFeedback() = default;
  // A message the run shows and goes on after (a message box in the window).
  virtual void message(const std::string& text) = 0;
  // An OK/Cancel question; true for OK.
  virtual bool confirm(const std::string& text, const std::string& caption) = 0;
  // Opens the progress display for `total` steps.
  virtual void progressStart(int total, const std::string& caption, bool cancellable) = 0;
  // Advances by `count`; returns the abort flag as it stood when called, so an
  // abort asked for during this step is reported by the next one.
  virtual bool progressStep(int count) = 0;
  virtual void progressClose(bool force) = 0;
};

// Drops every message and answers every question with OK. For callers that
// have no person to ask (the window's file inspection, scripts).
class SilentFeedback : public UserFeedback {
 public:
  void message(const std::string&) override {}
  bool confirm(const std::string&, const std::string&) override { return true; }
  void progressStart(int, const std::string&, bool) override {}
  bool progressStep(int) override { return false; }
  void progressClose(bool) override {}
};

}  // namespace tarvik
