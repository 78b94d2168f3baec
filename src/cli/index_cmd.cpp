// tarvik-cli index SHEETS.shp -o OUTPUT --name-template TEMPLATE [...]: the
// frame of every selected sheet of a standard sheet index.
#include "cli/command.h"
#include "cli/file_run.h"

namespace tarvik::cli {
namespace {

int Run(const std::vector<std::string>& argv, ProgressChannel& progress) {
  return RunFileCommand(FileMode::Index, argv, progress);
}

const CommandRegistration kRegistration({"index", "frame every selected sheet of a sheet index file",
                                         FileRunUsage(FileMode::Index), nullptr, &Run});

}  // namespace
}  // namespace tarvik::cli
