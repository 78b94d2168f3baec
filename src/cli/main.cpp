// tarvik-cli: the command-line front end. Dispatches to the registered
// subcommands; exit status 0 on success, 1 when the input is refused, 2 for
// wrong usage.
#include <algorithm>
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/command.h"
#include "cli/progress_channel.h"
#include "common/error.h"
#include "gdb/runtime_check.h"

namespace tarvik::cli {
namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

void PrintHelp(std::ostream& out) {
  out << "tarvik-cli " TARVIK_VERSION
         " - map sheet frames for the Chinese national map series\n\n"
         "Usage: tarvik-cli COMMAND [OPTIONS]\n"
         "       tarvik-cli COMMAND --help\n\n"
         "Commands:\n";
  for (const auto& c : Registry()) {
    std::string name = c.name;
    name.resize(std::max<std::size_t>(name.size() + 2, 14), ' ');
    out << "  " << name << c.summary << "\n";
  }
  out << "\nExit status: 0 success, 1 input refused (the reason on stderr), 2 wrong usage.\n";
}

}  // namespace

CommandRegistration::CommandRegistration(Command command) { Registry().push_back(std::move(command)); }

const std::vector<Command>& Commands() { return Registry(); }

int RunCommand(const Command& command, const std::vector<std::string>& args) {
  ProgressChannel progress;
  try {
    if (!command.report) return command.run(args);
    std::vector<std::string> rest = args;
    progress.takeFrom(rest);
    const int code = command.report(rest, progress);
    // A command that wrote no summary of its own.
    progress.summary(code == kExitOk ? "done" : "incomplete", code, "");
    return code;
  } catch (const UsageError& e) {
    std::cerr << "tarvik-cli " << command.name << ": " << e.what() << "\n\n" << command.usage;
    progress.summary("usage", kExitUsage, JsonMembers().strings("errors", {e.what()}).text());
    return kExitUsage;
  } catch (const RunError& e) {
    std::cerr << e.what() << "\n";
    progress.summary("refused", kExitRefused, JsonMembers().strings("errors", {e.what()}).text());
    return kExitRefused;
  }
}

}  // namespace tarvik::cli

int main(int argc, char** argv) {
  using namespace tarvik::cli;
  std::setlocale(LC_ALL, "C");
  if (const std::string limit = tarvik::RaiseOpenFileLimit(); !limit.empty()) std::cerr << limit << "\n";
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(std::cout);
    return kExitOk;
  }
  if (args[0] == "--version") {
    std::cout << "tarvik-cli " TARVIK_VERSION "\n";
    return kExitOk;
  }
  for (const auto& c : Commands()) {
    if (c.name != args[0]) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const auto& a : rest) {
      if (a == "--help" || a == "-h") {
        std::cout << c.usage;
        return kExitOk;
      }
    }
    return RunCommand(c, rest);
  }
  std::cerr << "tarvik-cli: 未知命令: " << args[0] << "\n\n";
  PrintHelp(std::cerr);
  return kExitUsage;
}
