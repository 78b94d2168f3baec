#include "frame/file_builder.h"

#include "frame/utcreatetk.h"
#include "frame/utstandardMap.h"

namespace tarvik {

std::unique_ptr<TtkBaseClass> MakeFileBuilder(CreationMode mode, const TFrameSettings& settings,
                                              RunValues run, std::unique_ptr<FrameStore> store,
                                              UserFeedback& feedback, FrameInput input) {
  if (mode == CreationMode::SheetIndex)
    return std::make_unique<TstandardMap>(settings, std::move(run), std::move(store), feedback,
                                          std::move(input));
  return std::make_unique<Tcreatetk>(settings, std::move(run), std::move(store), feedback, std::move(input));
}

}  // namespace tarvik
