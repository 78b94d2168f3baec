// Every frame of an output as one PDF for printing: a page per frame at the
// frame's scale, vector lines and real texts. The page is fitted to the
// frame (with the preview's margin) or is a named ISO paper, turned to
// whichever way the frame fits, with the frame centred.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QSizeF>

namespace tarvik {

// "A0".."A4" (any case); none otherwise.
std::optional<QSizeF> PaperSizeMm(const std::string& name);

// Called after each page with the pages done; false stops (RunError "已取消").
using PageProgress = std::function<bool(int done, int total)>;

// Writes the PDF (whole or not at all) and returns the number of pages.
// `paper` empty: each page fitted to its frame. RunError when the output
// holds no frame, a frame does not fit on the paper at its scale (naming the
// frame, its size and the paper), or the file cannot be written.
int WriteFramesPdf(const std::string& outputPath, const std::string& pdfPath, const std::string& paper = "",
                   const PageProgress& progress = {});

}  // namespace tarvik
