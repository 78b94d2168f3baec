// A UserFeedback that records what the engine said, for tests and for callers
// that want to report messages later. It can be told to answer questions with
// Cancel and to ask for an abort at a given step, the way a person would in
// the progress window.
#pragma once

#include <string>
#include <vector>

#include "common/user_feedback.h"

namespace tarvik {

class RecordingFeedback : public UserFeedback {
 public:
  struct Confirmation {
    std::string text;
    std::string caption;
  };

  void message(const std::string& text) override;
  bool confirm(const std::string& text, const std::string& caption) override;
  void progressStart(int total, const std::string& caption, bool cancellable) override;
  bool progressStep(int count) override;
  void progressClose(bool force) override;

  // How many times `text` was shown.
  int countOf(const std::string& text) const;

  std::vector<std::string> messages;
  std::vector<Confirmation> confirmations;
  bool confirmAnswer = true;

  // Progress as the engine drove it.
  int progressStarts = 0;
  int progressTotal = 0;
  std::string progressCaption;
  bool progressCancellable = false;
  int progressPosition = 0;
  int progressSteps = 0;
  int progressCloses = 0;
  bool progressOpen = false;

  // When > 0, the abort is confirmed during step number `abortDuringStep`
  // (1-based); like the progress window, that step still returns false and
  // the following one returns true.
  int abortDuringStep = 0;

 private:
  bool aborted_ = false;
};

}  // namespace tarvik
