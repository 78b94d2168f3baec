// The files a run keeps beside its output: its lock, the checkpoint of a
// File GDB, the QGIS project and style, the working folder of a DXF drawing.
//
// Each is named after the output's whole file name ("twin.gdb.qgs",
// "twin.gpkg.qgs"), so that two outputs in one folder never share one. A
// name that would pass the file system's limit of 255 bytes (a legal output
// name of 251 bytes and ".lock") is replaced by a short hidden one made from
// a hash of the output's name (".tarvik-0123456789abcdef.lock"): every name
// the store itself can take gets its side files.
#pragma once

#include <cstddef>
#include <string>

namespace tarvik {

// The longest file name (one path component) the program writes, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The side file `suffix` (".lock", ".qgs", ...) of the output at `output`
// (trailing separators ignored), in the output's folder.
std::string SideFilePath(const std::string& output, const std::string& suffix);

// Makes a new folder beside the output, named after it and `tag`, with a
// random ending that makes the name one that no file had before (mkdtemp):
// ".survey.dxf.work-Ab12Cd". RunError when it cannot be made.
std::string MakePrivateFolder(const std::string& output, const std::string& tag);

}  // namespace tarvik
