#include "common/recording_feedback.h"

#include <algorithm>

namespace tarvik {

void RecordingFeedback::message(const std::string& text) { messages.push_back(text); }

bool RecordingFeedback::confirm(const std::string& text, const std::string& caption) {
  confirmations.push_back({text, caption});
  return confirmAnswer;
}

void RecordingFeedback::progressStart(int total, const std::string& caption, bool cancellable) {
  ++progressStarts;
  progressTotal = total;
  progressCaption = caption;
  progressCancellable = cancellable;
  progressPosition = 0;
  progressOpen = true;
  aborted_ = false;
}

bool RecordingFeedback::progressStep(int count) {
  const bool wasAborted = aborted_;
  ++progressSteps;
  if (!progressOpen) return wasAborted;
  if (wasAborted) {
    progressOpen = false;
    return wasAborted;
  }
  progressPosition += count;
  if (abortDuringStep > 0 && progressSteps == abortDuringStep) aborted_ = true;
  if (progressPosition >= std::max(progressTotal, 1)) progressOpen = false;
  return wasAborted;
}

void RecordingFeedback::progressClose(bool) {
  ++progressCloses;
  progressOpen = false;
}

int RecordingFeedback::countOf(const std::string& text) const {
  return static_cast<int>(std::count(messages.begin(), messages.end(), text));
}

}  // namespace tarvik
