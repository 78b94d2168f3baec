#include "cli/cli_feedback.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/progress_channel.h"

namespace tarvik::cli {
namespace {

// Set by the signal handler, read by the progress steps: the one value a
// signal handler may write.
volatile std::sig_atomic_t gInterrupted = 0;
// The lock file of the run's output, removed when a second signal ends the
// program at once (unlink is safe in a signal handler).
char gLockFile[4096] = {};

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnInterrupt(int signal) {
  if (gInterrupted) {
    if (gLockFile[0]) ::unlink(gLockFile);
    static const char kNow[] = "\n立即退出\n";
    const ssize_t ignored = write(STDERR_FILENO, kNow, sizeof kNow - 1);
    (void)ignored;
    // Ends as the signal would have ended it without a handler.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigaction(signal, &plain, nullptr);
    sigset_t self;
    sigemptyset(&self);
    sigaddset(&self, signal);
    sigprocmask(SIG_UNBLOCK, &self, nullptr);
    raise(signal);
    _exit(128 + signal);
  }
  gInterrupted = 1;
  static const char kNote[] = "\n正在完成当前图幅后停止（再按 Ctrl-C 立即退出）\n";
  const ssize_t ignored = write(STDERR_FILENO, kNote, sizeof kNote - 1);
  (void)ignored;
}

}  // namespace

void InstallInterruptHandler(const std::string& lockFile) {
  gInterrupted = 0;
  const std::size_t n = std::min(lockFile.size(), sizeof gLockFile - 1);
  std::memcpy(gLockFile, lockFile.data(), n);
  gLockFile[n] = '\0';
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int s : kStopSignals) sigaddset(&action.sa_mask, s);
  for (int s : kStopSignals) sigaction(s, &action, nullptr);
}

bool InterruptRequested() { return gInterrupted != 0; }

std::string FormatDuration(double seconds) {
  if (!(seconds >= 0)) seconds = 0;
  const long long s = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

CliFeedback::CliFeedback(ProgressChannel* progress)
    : progress_(progress), isTerminal_(isatty(STDERR_FILENO) == 1) {}

void CliFeedback::message(const std::string& text) {
  messages_.push_back(text);
  if (progress_) progress_->text("message", text);
  note(text);
}

void CliFeedback::note(const std::string& text) {
  clearBar();
  // One write per line: a reader of the stream never sees half a line.
  std::cerr << text + "\n";
  if (barUp()) drawBar(false);
}

bool CliFeedback::confirm(const std::string& text, const std::string&) {
  message(text + " (否)");
  return false;
}

void CliFeedback::progressStart(int total, const std::string& caption, bool) {
  if (progress_)
    progress_->event(
        JsonMembers().str("event", "start").integer("total", total).str("caption", caption).object());
  total_ = total;
  position_ = 0;
  caption_ = caption;
  open_ = true;
  started_ = std::chrono::steady_clock::now();
  lastDrawn_ = {};
}

bool CliFeedback::progressStep(int count) {
  const bool aborted = abortRequested();
  if (!open_) return aborted;
  position_ += count;
  if (aborted) {
    progressClose(true);
    return aborted;
  }
  // Redrawn a few times a second, not for every sheet of a fast run.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDrawn_ >= std::chrono::milliseconds(100)) {
    lastDrawn_ = now;
    drawBar(false);
  }
  if (position_ >= std::max(total_, 1)) progressClose(true);
  return aborted;
}

void CliFeedback::progressClose(bool) {
  if (!open_) return;
  open_ = false;
  if (holding_) {
    closing_ = true;
    drawBar(false);
    return;
  }
  drawBar(true);
}

void CliFeedback::outputClosed() {
  holding_ = false;
  if (!closing_) return;
  drawBar(true);
  closing_ = false;
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
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const double rate = elapsed > 0 ? position_ / elapsed : 0;
  const int width = 30;
  const int filled = std::clamp(position_ * width / total, 0, width);
  const std::string timing =
      final      ? "用时 " + FormatDuration(elapsed)
      : closing_ ? std::string("正在关闭输出…")
      : position_ >= total
          ? "用时 " + FormatDuration(elapsed)
          : "剩余 " + (rate > 0 ? FormatDuration((total - position_) / rate) : std::string("?"));
  char line[512];
  std::snprintf(line, sizeof line, "\r\033[K%s [%s%s] %d/%d %3d%%  %.1f 幅/秒  %s", caption_.c_str(),
                std::string(filled, '#').c_str(), std::string(width - filled, '.').c_str(), position_, total_,
                static_cast<int>(static_cast<long long>(position_) * 100 / total), rate, timing.c_str());
  std::cerr << line << std::flush;
  barShown_ = true;
  if (final) {
    std::cerr << "\n";
    barShown_ = false;
  }
}

}  // namespace tarvik::cli
