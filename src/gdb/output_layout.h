// How the frames of an output store are laid out in classes.
//
// PerFrame: every frame has its own feature dataset "y" + name with the
// classes "L_", "p_" and "a_" + name (the layout of every earlier output).
// Shared: every frame of the store goes into one line class, one polygon
// class and one text class (File GDB: in one feature dataset), each feature
// naming its frame in the field FrameName; for batches of thousands of
// sheets, where a store of tens of thousands of classes becomes slow to
// write and to open. Both list their frames in the frame catalog, and every
// reader of ours handles both.
#pragma once

#include <optional>
#include <string>

namespace tarvik {

enum class OutputLayout { PerFrame, Shared };

// The classes of the shared layout.
inline constexpr const char* kSharedDataset = "yframes";
inline constexpr const char* kSharedLineClass = "L_frames";
inline constexpr const char* kSharedPolygonClass = "p_frames";
inline constexpr const char* kSharedTextClass = "a_frames";
// The field that names a feature's frame in the shared classes.
inline constexpr const char* kFrameNameField = "FrameName";

// "per-frame" and "shared" as the command line writes them; none otherwise.
std::optional<OutputLayout> OutputLayoutOfKey(const std::string& key);

}  // namespace tarvik
