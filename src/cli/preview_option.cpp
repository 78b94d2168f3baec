#include "cli/preview_option.h"

#include <filesystem>
#include <iostream>

#include "common/error.h"
#include "preview/preview.h"

namespace tarvik::cli {
namespace {

int DpiOf(const Args& args, const std::string& option) {
  const auto dpi = args.integer(option);
  if (!dpi) return kDefaultPreviewDpi;
  if (*dpi < kMinPreviewDpi || *dpi > kMaxPreviewDpi)
    throw UsageError(option + " 应在 " + std::to_string(kMinPreviewDpi) + " 到 " +
                     std::to_string(kMaxPreviewDpi) + " 之间: " + std::to_string(*dpi));
  return static_cast<int>(*dpi);
}

}  // namespace

const char* PreviewOptionsHelp() {
  return "  --preview FILE           afterwards draw the frame from the output to FILE\n"
         "                           (.png, .svg or .pdf) at its scale\n"
         "  --preview-dpi N          resolution of a PNG preview (default 150)\n";
}

void CheckPreviewOptions(const Args& args) {
  if (const auto file = args.value("--preview"); file && !PreviewFormatOf(*file))
    throw UsageError("--preview 的文件扩展名应为 .png、.svg 或 .pdf: " + *file);
  DpiOf(args, "--preview-dpi");
}

void WritePreviewIfAsked(const Args& args, const std::string& outputPath, const std::string& frameName) {
  const auto file = args.value("--preview");
  if (!file) return;
  CheckPreviewOptions(args);
  std::string frame = frameName;
  if (frame.empty()) {
    const auto frames = ListFrames(outputPath);
    if (frames.empty()) throw RunError("输出 " + outputPath + " 中没有图廓，不能预览");
    frame = frames.front();
  }
  const PreviewResult r = RenderFrame(outputPath, frame, *file, DpiOf(args, "--preview-dpi"));
  std::cout << "预览: " << std::filesystem::absolute(*file).string();
  if (!r.pixels.isEmpty()) std::cout << " (" << r.pixels.width() << "×" << r.pixels.height() << "像素)";
  std::cout << "\n";
}

}  // namespace tarvik::cli
