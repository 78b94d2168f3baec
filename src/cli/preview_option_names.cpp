// The preview options' names, the same in builds with and without the
// preview, so that --preview is never taken for an unknown option.
#include "cli/preview_option.h"

namespace tarvik::cli {

std::vector<std::string> PreviewValueOptions() { return {"--preview", "--preview-dpi"}; }

std::vector<std::string> WithPreviewOptions(std::vector<std::string> valueOptions) {
  for (auto& o : PreviewValueOptions()) valueOptions.push_back(std::move(o));
  return valueOptions;
}

}  // namespace tarvik::cli
