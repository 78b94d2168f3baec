// The frame a per-frame File Geodatabase run is writing, noted beside the
// store ("<name>.gdb.frame") before the frame's dataset and classes are
// made, and removed when the store is closed whole. A run killed in the
// middle of a frame leaves its classes half written, unlisted in the frame
// catalog but listed by every GIS as broken layers; the next Tarvik open of
// the store (output_recovery.h) finds the note, proves it was made for this
// store (it names the store's identity) and removes those classes.
#pragma once

#include <optional>
#include <string>

namespace tarvik::detail {

std::string FrameMarkerOf(const std::string& gdbPath);

// Notes that the frame dataset `dataset` of the store is being written.
// Never throws: a note that cannot be written costs only the cleaning up
// after a kill.
void NoteFrameInProgress(const std::string& gdbPath, const std::string& dataset);
// Removes the note. Never throws.
void ClearFrameInProgress(const std::string& gdbPath);
// The dataset the note beside the store names, when the note is there and
// was made for this store.
std::optional<std::string> FrameInProgress(const std::string& gdbPath);

}  // namespace tarvik::detail
