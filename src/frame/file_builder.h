// The builder of a run over an input file, chosen by the creation mode: the
// standard-sheet builder over a sheet index, the polygon builder over any
// polygon file. Both run through TtkBaseClass::Run.
#pragma once

#include <memory>
#include <string>

#include "frame/utTkBaseClass.h"

namespace tarvik {

// CreationMode::SheetIndex or CreationMode::PolygonFile (anything else is a
// polygon file). The index builder raises as its constructor says when the
// index cannot be read; the polygon builder reports its input at Run.
std::unique_ptr<TtkBaseClass> MakeFileBuilder(CreationMode mode, const TFrameSettings& settings, RunValues run,
                                              std::unique_ptr<FrameStore> store, UserFeedback& feedback,
                                              const std::string& inputPath);

}  // namespace tarvik
