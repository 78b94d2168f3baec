// tarvik-cli area POLYGONS.shp -o OUTPUT --name-template TEMPLATE [...]: a
// frame around every selected polygon of a polygon file.
#include "cli/command.h"
#include "cli/file_run.h"

namespace tarvik::cli {
namespace {

int Run(const std::vector<std::string>& argv, ProgressChannel& progress) {
  return RunFileCommand(FileMode::Area, argv, progress);
}

const CommandRegistration kRegistration({"area", "frame every selected polygon of a polygon file",
                                         FileRunUsage(FileMode::Area), nullptr, &Run});

}  // namespace
}  // namespace tarvik::cli
