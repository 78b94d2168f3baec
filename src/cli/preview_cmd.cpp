// tarvik-cli preview OUTPUT [--frame NAME] -o FILE [--dpi N]: draws a frame
// read back from an output store.
#include <filesystem>
#include <iostream>

#include "cli/args.h"
#include "cli/command.h"
#include "common/error.h"
#include "preview/preview.h"

namespace tarvik::cli {
namespace {

const char* kUsage =
    "Usage: tarvik-cli preview OUTPUT [--frame NAME] -o FILE [--dpi N]\n\n"
    "Draws a frame as it was written to OUTPUT (.gdb or .gpkg), read back from\n"
    "disk, at the scale of its texts (1:10 000: 1 m is 0.1 mm on paper), on a\n"
    "white page with a 10 mm margin. Geographic frames are drawn equirectangular\n"
    "at the sheet's mean latitude.\n\n"
    "Options:\n"
    "  --frame NAME       the frame to draw; may be left out when OUTPUT holds\n"
    "                     one frame (a wrong name lists the frames there)\n"
    "  -o, --output FILE  the picture: FILE.png, FILE.svg or FILE.pdf\n"
    "  --dpi N            resolution of a PNG, 10..2400 (default 150)\n";

int Run(const std::vector<std::string>& argv) {
  try {
    const Args args(argv, {"--frame", "-o", "--output", "--dpi"}, {});
    if (args.positional().size() != 1) throw UsageError("需要一个输出(.gdb 或 .gpkg)");
    const std::string output = args.positional()[0];
    auto file = args.value("-o");
    if (!file) file = args.value("--output");
    if (!file) throw UsageError("需要 -o FILE(.png、.svg 或 .pdf)");
    if (!PreviewFormatOf(*file)) throw UsageError("-o 的文件扩展名应为 .png、.svg 或 .pdf: " + *file);
    int dpi = kDefaultPreviewDpi;
    if (const auto n = args.integer("--dpi")) {
      if (*n < kMinPreviewDpi || *n > kMaxPreviewDpi)
        throw UsageError("--dpi 应在 " + std::to_string(kMinPreviewDpi) + " 到 " + std::to_string(kMaxPreviewDpi) +
                         " 之间: " + std::to_string(*n));
      dpi = static_cast<int>(*n);
    }
    if (!std::filesystem::exists(output)) throw RunError("输出不存在: " + output);

    const PreviewResult r = RenderFrame(output, args.value("--frame").value_or(""), *file, dpi);
    std::cout << "图廓 " << r.frame << " 的预览: " << std::filesystem::absolute(*file).string();
    if (!r.pixels.isEmpty()) std::cout << " (" << r.pixels.width() << "×" << r.pixels.height() << "像素)";
    std::cout << "\n";
    return kExitOk;
  } catch (const UsageError& e) {
    std::cerr << "tarvik-cli preview: " << e.what() << "\n\n" << kUsage;
    return kExitUsage;
  } catch (const RunError& e) {
    std::cerr << e.what() << "\n";
    return kExitRefused;
  }
}

const CommandRegistration kRegistration({"preview", "draw a written frame to PNG, SVG or PDF", kUsage, &Run});

}  // namespace
}  // namespace tarvik::cli
