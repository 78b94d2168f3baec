// UserFeedback of the command line: messages go to stderr as lines; the
// progress of long runs is a bar on stderr when it is a terminal (sheets
// done, total, rate and time left). Ctrl-C asks the run to stop after the
// sheet being drawn.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "common/user_feedback.h"

namespace tarvik::cli {

class ProgressChannel;

// From now on the first Ctrl-C (SIGINT), SIGTERM or SIGHUP only asks the run
// to stop after the sheet being drawn; a second one ends the program at once
// (the frames finished before stay readable: each is on disk when it is
// reported). `lockFile`, when given, is removed on such an exit.
void InstallInterruptHandler(const std::string& lockFile = "");
// Whether a stop was asked for since InstallInterruptHandler.
bool InterruptRequested();

class CliFeedback : public UserFeedback {
 public:
  // With a progress channel that is on, messages and the start of the
  // progress are also written there as events.
  explicit CliFeedback(ProgressChannel* progress = nullptr);
  void message(const std::string& text) override;
  // Nobody can answer on a batch run: questions are answered with Cancel.
  bool confirm(const std::string& text, const std::string& caption) override;
  void progressStart(int total, const std::string& caption, bool cancellable) override;
  // True once an abort was asked for (requestAbort or Ctrl-C) before the call.
  bool progressStep(int count) override;
  void progressClose(bool force) override;

  // A line on stderr that is not a message (verbose output), written above
  // the progress bar.
  void note(const std::string& text);

  // For runs that close an output after their last step: from now on the
  // bar, once its steps are done (or stopped), says "正在关闭输出…" and
  // stays until outputClosed(), which ends it with the time taken.
  void holdUntilClosed() { holding_ = true; }
  void outputClosed();

  // Every message shown, in order (the command's summary may count them).
  const std::vector<std::string>& messages() const { return messages_; }
  // Asks the run to stop at its next step.
  void requestAbort() { abortRequested_ = true; }
  bool abortRequested() const { return abortRequested_ || InterruptRequested(); }
  int stepsDone() const { return position_; }

 private:
  void drawBar(bool final);
  void clearBar();
  bool barUp() const { return open_ || closing_; }

  ProgressChannel* progress_ = nullptr;
  std::vector<std::string> messages_;
  bool isTerminal_ = false;
  bool barShown_ = false;
  bool open_ = false;
  bool holding_ = false;  // see holdUntilClosed()
  bool closing_ = false;  // the steps are over, the output is being closed
  bool abortRequested_ = false;
  int total_ = 0;
  int position_ = 0;
  std::string caption_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point lastDrawn_;
};

// "1:05" for 65 seconds, "1:02:05" past an hour.
std::string FormatDuration(double seconds);

}  // namespace tarvik::cli
