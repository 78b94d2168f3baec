// UserFeedback of the command line: messages go to stderr as lines; the
// progress of long runs is a bar on stderr when it is a terminal.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "common/user_feedback.h"

namespace tarvik::cli {

class CliFeedback : public UserFeedback {
 public:
  CliFeedback();
  void message(const std::string& text) override;
  // Nobody can answer on a batch run: questions are answered with Cancel.
  bool confirm(const std::string& text, const std::string& caption) override;
  void progressStart(int total, const std::string& caption, bool cancellable) override;
  bool progressStep(int count) override;
  void progressClose(bool force) override;

  // Every message shown, in order (the command's summary may count them).
  const std::vector<std::string>& messages() const { return messages_; }
  // Asks the run to stop at its next step (Ctrl-C).
  void requestAbort() { abortRequested_ = true; }
  bool abortRequested() const { return abortRequested_; }
  int stepsDone() const { return position_; }
  bool verbose = false;

 private:
  void drawBar(bool final);
  void clearBar();

  std::vector<std::string> messages_;
  bool isTerminal_ = false;
  bool barShown_ = false;
  bool open_ = false;
  volatile bool abortRequested_ = false;
  int total_ = 0;
  int position_ = 0;
  std::string caption_;
  std::chrono::steady_clock::time_point started_;
};

}  // namespace tarvik::cli
