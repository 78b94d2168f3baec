// The preview in a build without Qt (TARVIK_WITH_QT=OFF): the `preview`
// command and the --preview option of the frame commands are known, so that
// asking for them is refused with a reason rather than taken for a typo, and
// a frame run with --preview is refused before its output is touched.
#include "cli/command.h"
#include "cli/preview_option.h"
#include "common/error.h"

namespace tarvik::cli {
namespace {

const char* kNotInBuild =
    "这个 tarvik-cli 构建时没有 Qt，不能画预览（preview、--preview）；请用带 Qt 构建的 tarvik-cli";

const char* kUsage =
    "Usage: tarvik-cli preview OUTPUT [--frame NAME] -o FILE [--dpi N]\n\n"
    "Not in this build: tarvik-cli was built without Qt (TARVIK_WITH_QT=OFF),\n"
    "and the preview draws with Qt.\n";

int Run(const std::vector<std::string>&) { throw RunError(kNotInBuild); }

const CommandRegistration kRegistration({"preview", "draw a written frame (not in this build: no Qt)", kUsage,
                                         &Run});

}  // namespace

const char* PreviewOptionsHelp() {
  return "  --preview FILE           not in this build (built without Qt)\n";
}

void CheckPreviewOptions(const Args& args) {
  if (args.value("--preview") || args.value("--preview-dpi")) throw RunError(kNotInBuild);
}

void WritePreviewIfAsked(const Args& args, const std::string&, const std::string&) {
  CheckPreviewOptions(args);
}

}  // namespace tarvik::cli
