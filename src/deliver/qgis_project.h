// A QGIS project beside every output, so that it opens looking like the
// preview: NAME.qgs beside NAME.gdb or NAME.gpkg, one group per frame with
// its texts, lines and polygons (top first) styled as the preview draws
// them; with several frames, a parent group that shows one frame at a time
// (with all shown, neighbours' titles would print inside a sheet). The
// project's coordinate system is the first frame's Gauss-Krueger zone, also
// for geographic frames, and the map opens on the first frame. Data sources
// are relative, so the output and its project can be moved together.
//
// Frames of the shared layout (gdb/output_layout.h) get the same groups,
// their layers being the shared classes filtered by the frame's name
// ("FrameName" = 'NAME'), when there are at most kMaxFilteredFrameGroups of
// them (more would make the project slow to open), and one more group,
// 全部图廓, with the shared classes whole: every frame at once, and layers
// that Layer Properties > Source > Query Builder filters by any frame's
// name. The atlas of the print layout has a page per frame either way.
//
// A File Geodatabase cannot hold styles: NAME.gdb.qml beside it styles any
// of its classes added by hand (one rule-based style for lines, polygons and
// texts).
//
// Both files are named after the output's whole name (NAME.gdb.qgs and
// NAME.gpkg.qgs never collide) and carry a mark, a comment naming the
// output, that says this program wrote them for it. Only a marked file is
// ever replaced or removed: a file of the person's own under that name, or
// a project saved again by QGIS (which drops comments) is theirs, and a run
// that would write it is refused before anything is written.
//
// Every project has a print layout at the frames' scale (print_layout.h):
// for one frame a page that holds it, for several an atlas with a page per
// frame. Its coverage and, for the shared layout, the layers that draw one
// frame per page are at the end of the layer tree, not shown.
#pragma once

#include <string>
#include <vector>

#include "deliver/print_layout.h"
#include "deliver/qgis_styles.h"

namespace tarvik::deliver {

// The most frames of the shared layout that get a group each.
inline constexpr int kMaxFilteredFrameGroups = 200;

// NAME.gdb.qgs or NAME.gpkg.qgs for the output NAME.gdb or NAME.gpkg
// (trailing separators ignored; see gdb/side_files.h for very long names).
std::string ProjectPathFor(const std::string& outputPath);
// NAME.gdb.qml beside NAME.gdb.
std::string GdbStylePathFor(const std::string& outputPath);

// The mark of the files written for the output (a comment line).
std::string DeliveryMark(const std::string& outputPath);
// RunError naming the file when a file the run would write beside the
// output (the project; the style of a .gdb) exists and is not ours for this
// output (no mark, not a plain file) or is read-only to its owner.
void CheckDeliveredFiles(const std::string& outputPath);
// Removes the project and style of the output that carry its mark.
void RemoveDeliveredFiles(const std::string& outputPath);

// What a project shows, independent of where it comes from.
struct ProjectLayer {
  std::string id, name, source;    // source as QGIS's OGR provider reads it
  const char* geometry = "Point";  // "Point", "Line" or "Polygon"
  LayerStyle style;
  const char* provider = "ogr";
};
struct ProjectGroup {
  std::string name;
  std::string crsXml;                // the <spatialrefsys> of its classes
  std::vector<ProjectLayer> layers;  // top first
};
struct ProjectModel {
  std::string title;
  std::string crsXml;                             // a <spatialrefsys> element
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // opening extent in the project's system
  std::vector<ProjectGroup> groups;
  // Layers below the frames' groups that are not shown (the atlas's).
  ProjectGroup hiddenLayers;
  std::string layoutsXml;  // the <Layouts> element, or empty
};

std::string ProjectDocument(const ProjectModel& model);

struct DeliveredFiles {
  std::string project;   // the .qgs
  std::string gdbStyle;  // the .qml beside a .gdb; empty for a GeoPackage
  int frames = 0;
};

// Writes the project (and the .qml of a .gdb) for the frames the output
// holds, with its print layout as `print` says. RunError when the output
// holds no frame, a file cannot be written, or one is there that is not
// ours (CheckDeliveredFiles; it is kept). `callerHoldsLock`: called by the
// run that holds the output's lock.
DeliveredFiles WriteQgisProject(const std::string& outputPath, const PrintOptions& print = {},
                                bool callerHoldsLock = false);

}  // namespace tarvik::deliver
