#include "cli/cli_feedback.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace tarvik::cli {

CliFeedback::CliFeedback() : isTerminal_(isatty(STDERR_FILENO) == 1) {}

void CliFeedback::message(const std::string& text) {
  messages_.push_back(text);
  clearBar();
  std::cerr << text << "\n";
  if (open_) drawBar(false);
}

bool CliFeedback::confirm(const std::string& text, const std::string&) {
  message(text + " (否)");
  return false;
}

void CliFeedback::progressStart(int total, const std::string& caption, bool) {
  total_ = total;
  position_ = 0;
  caption_ = caption;
  open_ = true;
  started_ = std::chrono::steady_clock::now();
}

bool CliFeedback::progressStep(int count) {
  const bool aborted = abortRequested_;
  if (!open_) return aborted;
  position_ += count;
  if (verbose) {
    clearBar();
    std::cerr << caption_ << ": " << position_ << "/" << total_ << "\n";
  }
  if (aborted) {
    progressClose(true);
    return aborted;
  }
  drawBar(false);
  if (position_ >= std::max(total_, 1)) progressClose(true);
  return aborted;
}

void CliFeedback::progressClose(bool) {
  if (!open_) return;
  drawBar(true);
  open_ = false;
}

void CliFeedback::clearBar() {
  if (barShown_) {
    std::cerr << "\r\033[K";
    barShown_ = false;
  }
}

void CliFeedback::drawBar(bool final) {
  if (!isTerminal_) return;
  const int total = std::max(total_, 1);
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const double rate = elapsed > 0 ? position_ / elapsed : 0;
  const double left = rate > 0 ? (total - position_) / rate : 0;
  const int width = 30;
  const int filled = std::clamp(position_ * width / total, 0, width);
  char line[256];
  std::snprintf(line, sizeof line, "\r\033[K%s [%s%s] %d/%d %3d%%  %.1f/s  剩余 %.0fs",
                caption_.c_str(), std::string(filled, '#').c_str(),
                std::string(width - filled, '.').c_str(), position_, total_,
                position_ * 100 / total, rate, left);
  std::cerr << line << std::flush;
  barShown_ = true;
  if (final) {
    std::cerr << "\n";
    barShown_ = false;
  }
}

}  // namespace tarvik::cli
