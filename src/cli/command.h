// The command-line program's subcommands. Each command lives in a file of its
// own and registers itself with a static CommandRegistration, so commands can
// be added without touching main.cpp.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tarvik::cli {

class ProgressChannel;

// Exit statuses shared by every command.
enum ExitCode : int { kExitOk = 0, kExitRefused = 1, kExitUsage = 2 };

struct Command {
  std::string name;
  std::string summary;  // one line for the program's --help
  std::string usage;    // the command's own --help text
  // Runs with the arguments after the command name; returns an ExitCode.
  // UsageError and RunError are told by the program (RunCommand).
  int (*run)(const std::vector<std::string>& args);
  // Instead of `run`, for the commands that take --progress json: the
  // channel is open when asked for (its options taken out of the
  // arguments), and the command writes its events and its summary there.
  int (*report)(const std::vector<std::string>& args, ProgressChannel& progress) = nullptr;
};

class CommandRegistration {
 public:
  explicit CommandRegistration(Command command);
};

const std::vector<Command>& Commands();

// Runs the command, and tells what ends it: a UsageError with the command's
// usage (kExitUsage), a RunError with its message (kExitRefused); with
// --progress json also as the stream's summary.
int RunCommand(const Command& command, const std::vector<std::string>& args);

}  // namespace tarvik::cli
