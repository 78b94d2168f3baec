// The machine-readable progress of a command (--progress json): one JSON
// object per line, written whole with one write(2), so that a program
// running tarvik-cli (the QGIS Processing provider, a script) reads events
// as they happen:
//   {"event": "start", "total": N, "caption": "..."}      the frames to draw
//   {"event": "frame", "done": D, "total": N, "name": ""} a frame on disk
//   {"event": "message", "text": "..."}                   what a person is told
//   {"event": "note", "text": "..."}                      what the run decided
//   {"event": "phase", "text": "..."}                     a long step begins
//   {"event": "summary", "status": "...", "exit": E, ...} the last line, always
// The summary's status is "done" (exit 0), "stopped" (a stop asked for by
// SIGINT/SIGTERM; the frames finished before are kept), "incomplete" (exit 1
// with a result: skipped features, refused elements, no project), "refused"
// (exit 1, the run's error in "errors") or "usage" (exit 2).
// The stream is standard output (whose other lines then go to standard
// error) or the file descriptor of --progress-fd N.
#pragma once

#include <string>
#include <vector>

namespace tarvik::cli {

class ProgressChannel {
 public:
  ProgressChannel() = default;  // off
  ProgressChannel(const ProgressChannel&) = delete;
  ProgressChannel& operator=(const ProgressChannel&) = delete;
  ~ProgressChannel();

  // Takes --progress FORMAT and --progress-fd N out of `args` and opens the
  // stream they ask for. UsageError for another format than json, or a
  // descriptor that is not open for writing.
  void takeFrom(std::vector<std::string>& args);

  bool on() const { return fd_ >= 0; }
  // Writes one event (a JSON object's text) as a line; nothing when off.
  void event(const std::string& object);
  void text(const char* event, const std::string& text);
  // The last line: `fields` are the object's members after status and exit
  // ("\"frames\": 3, ..."), possibly empty. Written once; later calls are
  // ignored, so the program can write a plain summary for a command that
  // wrote none.
  void summary(const std::string& status, int exitCode, const std::string& fields);
  bool summaryWritten() const { return summaryWritten_; }

 private:
  int fd_ = -1;
  bool ownsFd_ = false;
  bool summaryWritten_ = false;
};

// The members of a JSON object from key/value texts already in JSON form.
class JsonMembers {
 public:
  JsonMembers& raw(const std::string& key, const std::string& json);
  JsonMembers& str(const std::string& key, const std::string& value);
  JsonMembers& num(const std::string& key, double value);
  JsonMembers& integer(const std::string& key, long long value);
  JsonMembers& strings(const std::string& key, const std::vector<std::string>& values);
  // "\"a\": 1, \"b\": \"x\"" (no braces).
  const std::string& text() const { return text_; }
  std::string object() const { return "{" + text_ + "}"; }

 private:
  std::string text_;
};

}  // namespace tarvik::cli
