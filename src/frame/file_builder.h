// The builder of a run over an input file, chosen by the creation mode: the
// standard-sheet builder over a sheet index, the polygon builder over any
// polygon file. Both run through TtkBaseClass::Run.
#pragma once

#include <memory>

#include "frame/utTkBaseClass.h"

namespace tarvik {

// CreationMode::SheetIndex or CreationMode::PolygonFile (anything else is a
// polygon file), over an input the caller opened and checked.
std::unique_ptr<TtkBaseClass> MakeFileBuilder(CreationMode mode, const TFrameSettings& settings,
                                              RunValues run, std::unique_ptr<FrameStore> store,
                                              UserFeedback& feedback, FrameInput input);

}  // namespace tarvik
