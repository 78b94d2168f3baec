// tarvik-cli preview OUTPUT [--frame NAME] -o FILE [--dpi N]: draws a frame
// read back from an output store; with --all every frame into one PDF.
#include <filesystem>
#include <iostream>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "common/error.h"
#include "gdb/output_recovery.h"
#include "preview/frames_pdf.h"
#include "preview/preview.h"

namespace tarvik::cli {
namespace {

const char* kUsage =
    "Usage: tarvik-cli preview OUTPUT [--frame NAME] -o FILE [--dpi N]\n"
    "       tarvik-cli preview OUTPUT --all -o FILE.pdf [--paper A0..A4]\n\n"
    "Draws a frame as it was written to OUTPUT (.gdb or .gpkg), read back from\n"
    "disk, at the scale of its texts (1:10 000: 1 m is 0.1 mm on paper), on a\n"
    "white page with a 10 mm margin. Geographic frames are drawn equirectangular\n"
    "at the sheet's mean latitude.\n\n"
    "Options:\n"
    "  --frame NAME       the frame to draw; may be left out when OUTPUT holds\n"
    "                     one frame (a wrong name lists the frames there)\n"
    "  -o, --output FILE  the picture: FILE.png, FILE.svg or FILE.pdf\n"
    "  --dpi N            resolution of a PNG, 10..2400 (default 150)\n"
    "  --all              every frame into one PDF, a page per frame at its scale\n"
    "                     (vector, texts as text; a progress bar on long outputs)\n"
    "  --paper A0..A4     with --all: print on this paper, turned to fit, the frame\n"
    "                     centred (default: each page fitted to its frame)\n";

// Every frame into one PDF.
// What a killed run left is put back first, and the person told.
void Recover(const std::string& output) {
  const std::string note = RecoverOutput(output);
  if (!note.empty()) std::cerr << note << "\n";
}

int RunAll(const Args& args, const std::string& output, const std::string& file) {
  if (args.value("--frame")) throw UsageError("--all 与 --frame 不能同时使用");
  if (PreviewFormatOf(file) != PreviewFormat::Pdf) throw UsageError("--all 需要 -o FILE.pdf: " + file);
  const std::string paper = args.value("--paper").value_or("");
  if (!paper.empty() && !PaperSizeMm(paper)) throw UsageError("--paper 应为 A0、A1、A2、A3 或 A4: " + paper);
  if (!std::filesystem::exists(output)) throw RunError("输出不存在: " + output);
  Recover(output);
  CliFeedback feedback;
  InstallInterruptHandler();
  bool started = false;
  const int pages = WriteFramesPdf(output, file, paper, [&](int done, int total) {
    if (!started) {
      feedback.progressStart(total, "PDF", true);
      started = true;
    }
    (void)done;
    return !feedback.progressStep(1);
  });
  if (started) feedback.progressClose(true);
  std::cout << pages << " 个图廓的PDF: " << std::filesystem::absolute(file).string() << "\n";
  return kExitOk;
}

int Run(const std::vector<std::string>& argv) {
  const Args args(argv, {"--frame", "-o", "--output", "--dpi", "--paper"}, {"--all"});
  if (args.positional().size() != 1) throw UsageError("需要一个输出(.gdb 或 .gpkg)");
  const std::string output = args.positional()[0];
  auto file = args.value("-o");
  if (!file) file = args.value("--output");
  if (!file) throw UsageError("需要 -o FILE(.png、.svg 或 .pdf)");
  if (!PreviewFormatOf(*file)) throw UsageError("-o 的文件扩展名应为 .png、.svg 或 .pdf: " + *file);
  if (args.flag("--all")) return RunAll(args, output, *file);
  if (args.value("--paper")) throw UsageError("--paper 只用于 --all");
  int dpi = kDefaultPreviewDpi;
  if (const auto n = args.integer("--dpi")) {
    if (*n < kMinPreviewDpi || *n > kMaxPreviewDpi)
      throw UsageError("--dpi 应在 " + std::to_string(kMinPreviewDpi) + " 到 " +
                       std::to_string(kMaxPreviewDpi) + " 之间: " + std::to_string(*n));
    dpi = static_cast<int>(*n);
  }
  if (!std::filesystem::exists(output)) throw RunError("输出不存在: " + output);
  Recover(output);

  const PreviewResult r = RenderFrame(output, args.value("--frame").value_or(""), *file, dpi);
  std::cout << "图廓 " << r.frame << " 的预览: " << std::filesystem::absolute(*file).string();
  if (!r.pixels.isEmpty()) std::cout << " (" << r.pixels.width() << "×" << r.pixels.height() << "像素)";
  std::cout << "\n";
  return kExitOk;
}

const CommandRegistration kRegistration({"preview", "draw a written frame to PNG, SVG or PDF", kUsage, &Run});

}  // namespace
}  // namespace tarvik::cli
