#include "cli/project_option.h"

#include <filesystem>
#include <iostream>

#include "deliver/qgis_project.h"
#include "frame/dxf_frame_store.h"

namespace tarvik::cli {

void WriteProjectUnlessAsked(const Args& args, const std::string& outputPath) {
  if (args.flag("--no-project") || IsDxfOutput(outputPath)) return;
  const deliver::DeliveredFiles files = deliver::WriteQgisProject(outputPath);
  std::cout << "QGIS工程: " << std::filesystem::absolute(files.project).string() << "\n";
  if (!files.gdbStyle.empty())
    std::cout << "QGIS样式(手工加入图层时用): " << std::filesystem::absolute(files.gdbStyle).string() << "\n";
}

}  // namespace tarvik::cli
