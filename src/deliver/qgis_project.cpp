#include "deliver/qgis_project.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>

#include "common/error.h"
#include "coords/zone_reference.h"
#include "deliver/file_output.h"
#include "deliver/xml_text.h"
#include "gdb/output_kind.h"
#include "gdb/output_reader.h"
#include "gdb/side_files.h"
#include "gdb/store.h"

namespace tarvik::deliver {
namespace fs = std::filesystem;
namespace {

std::string Element(const char* name, const std::string& text) {
  return std::string("<") + name + ">" + XmlEscape(text) + "</" + name + ">";
}

std::string SpatialRefSysXml(const SpatialReference& ref) {
  const int epsg = ref.epsgCode();
  return "<spatialrefsys nativeFormat=\"Wkt\">" + Element("wkt", ref.wkt()) + "<proj4/>" +
         Element("srid", std::to_string(epsg)) +
         Element("authid", epsg > 0 ? "EPSG:" + std::to_string(epsg) : "") +
         Element("description", ref.name()) +
         Element("geographicflag", ref.isGeographic() ? "true" : "false") + "</spatialrefsys>";
}

std::string LayerTreeLayer(const ProjectLayer& layer) {
  return "<layer-tree-layer" + XmlAttr("id", layer.id) + XmlAttr("name", layer.name) +
         XmlAttr("source", layer.source) + XmlAttr("providerKey", layer.provider) +
         " checked=\"Qt::Checked\" expanded=\"0\" legend_exp=\"\"><customproperties/>"
         "</layer-tree-layer>";
}

std::string MapLayer(const ProjectLayer& layer, const std::string& crsXml) {
  return "<maplayer type=\"vector\"" + XmlAttr("geometry", layer.geometry) +
         " autoRefreshEnabled=\"0\" refreshOnNotifyEnabled=\"0\" readOnly=\"0\"" +
         layer.style.rootAttributes + ">" + Element("id", layer.id) + Element("datasource", layer.source) +
         Element("layername", layer.name) + "<srs>" + crsXml + "</srs><provider encoding=\"UTF-8\">" +
         layer.provider + "</provider>" + layer.style.body + "</maplayer>\n";
}

// A layer of the tree that is not shown.
std::string ReplaceChecked(std::string layer) {
  const std::string shown = "checked=\"Qt::Checked\"";
  if (const auto at = layer.find(shown); at != std::string::npos)
    layer.replace(at, shown.size(), "checked=\"Qt::Unchecked\"");
  return layer;
}

// The filter that selects a frame's features of the shared classes, in
// QGIS's expression syntax.
std::string FrameFilter(const FrameInfo& frame) {
  std::string value;
  for (char c : frame.frame) value += c == '\'' ? std::string("''") : std::string(1, c);
  return "\"" + frame.frameField + "\" = '" + value + "'";
}

// The document with the output's mark as its second line (after the
// DOCTYPE, before the root element).
std::string Marked(const std::string& document, const std::string& outputPath) {
  const auto end = document.find('\n');
  if (end == std::string::npos) return DeliveryMark(outputPath) + "\n" + document;
  return document.substr(0, end + 1) + DeliveryMark(outputPath) + "\n" + document.substr(end + 1);
}

// Bounds of everything stored in a frame, store coordinates.
bool FrameExtent(const OutputReader& reader, const FrameInfo& frame, double& xMin, double& yMin, double& xMax,
                 double& yMax) {
  if (frame.extent) {
    xMin = frame.extent->xMin;
    yMin = frame.extent->yMin;
    xMax = frame.extent->xMax;
    yMax = frame.extent->yMax;
    return true;
  }
  xMin = yMin = std::numeric_limits<double>::infinity();
  xMax = yMax = -xMin;
  const auto add = [&](const Point2& p) {
    xMin = std::min(xMin, p.x);
    xMax = std::max(xMax, p.x);
    yMin = std::min(yMin, p.y);
    yMax = std::max(yMax, p.y);
  };
  for (const auto& l : reader.lines(frame))
    for (const auto& path : l.paths) std::for_each(path.begin(), path.end(), add);
  for (const auto& p : reader.polygons(frame))
    for (const auto& ring : p.rings) std::for_each(ring.begin(), ring.end(), add);
  for (const auto& t : reader.texts(frame)) add(t.anchor);
  return xMin <= xMax;
}

// Grows a rectangle to hold a point.
void Include(Envelope& e, bool& any, double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  if (!any) {
    e = {x, y, x, y};
    any = true;
    return;
  }
  e.xMin = std::min(e.xMin, x);
  e.xMax = std::max(e.xMax, x);
  e.yMin = std::min(e.yMin, y);
  e.yMax = std::max(e.yMax, y);
}

// Whether a frame's coordinates are not the project's plane (geographic, or
// another zone appended to the output).
bool OffThePlane(const FrameInfo& frame, const SpatialReference& plane) {
  // The frames of the shared classes and a plane taken from them hold one
  // object: no WKT written out twice per frame.
  if (frame.ref.isGeographic()) return true;
  return !(frame.ref.ogr() && frame.ref.ogr() == plane.ogr()) && frame.ref.wkt() != plane.wkt();
}

// What a frame puts on paper, in the project's plane: its lines and
// polygons and the rectangles its texts cover.
std::optional<Envelope> PrintedExtent(const OutputReader& reader, const FrameInfo& frame,
                                      const SpatialReference& plane) {
  const bool geographic = frame.ref.isGeographic();
  std::unique_ptr<ReferenceTransform> toPlane;
  if (OffThePlane(frame, plane)) toPlane = std::make_unique<ReferenceTransform>(frame.ref, plane);
  Envelope e;
  bool any = false;
  const auto add = [&](double x, double y) {
    if (toPlane && !toPlane->apply(x, y)) return;
    Include(e, any, x, y);
  };
  for (const auto& l : reader.lines(frame))
    for (const auto& path : l.paths)
      for (const Point2& p : path) add(p.x, p.y);
  for (const auto& p : reader.polygons(frame))
    for (const auto& ring : p.rings)
      for (const Point2& q : ring) add(q.x, q.y);
  const double metresPerMm = (frame.referenceScale > 0 ? frame.referenceScale : 10000) / 1000;
  for (const auto& t : reader.texts(frame)) {
    const Envelope box = TextBox(t, metresPerMm, geographic);
    add(box.xMin, box.yMin);
    add(box.xMax, box.yMin);
    add(box.xMin, box.yMax);
    add(box.xMax, box.yMax);
  }
  if (!any) return std::nullopt;
  return e;
}

// A recorded extent (store coordinates) in the project's plane.
std::optional<Envelope> InPlane(const FrameInfo& frame, const SpatialReference& plane) {
  if (!frame.extent) return std::nullopt;
  Envelope e = *frame.extent;
  if (OffThePlane(frame, plane) && !TransformRectangle(frame.ref, plane, e.xMin, e.yMin, e.xMax, e.yMax))
    return std::nullopt;
  return e;
}

// The print layout (print_layout.h) and, for several frames, the atlas's
// coverage and, for the shared layout, its layers.
// `many`: the summary of a run of the shared layout alone whose frames the
// reader does not list (null when it lists them all).
void AddPrintLayout(const OutputReader& reader, const SpatialReference& plane, const std::string& file,
                    const FrameInfo* shared, const SharedFramesSummary* many, const PrintOptions& print,
                    ProjectModel& model) {
  const auto& frames = reader.frames();
  const FrameInfo& first = frames.front();
  const auto scaleOf = [](const FrameInfo& f) { return f.referenceScale > 0 ? f.referenceScale : 10000; };
  // The first frame is read whole; a frame whose extent the catalog records
  // (the shared layout) gets the room the first frame's texts take beyond
  // its features, so that a batch of thousands is not read twice.
  const std::optional<Envelope> firstPrinted = PrintedExtent(reader, first, plane);
  if (!firstPrinted) return;
  Envelope room{0, 0, 0, 0};
  if (const auto recorded = InPlane(first, plane))
    room = {recorded->xMin - firstPrinted->xMin, recorded->yMin - firstPrinted->yMin,
            firstPrinted->xMax - recorded->xMax, firstPrinted->yMax - recorded->yMax};
  PrintLayoutModel layout;
  layout.crsXml = model.crsXml;
  layout.scale = scaleOf(first);
  layout.centreX = (firstPrinted->xMin + firstPrinted->xMax) / 2;
  layout.centreY = (firstPrinted->yMin + firstPrinted->yMax) / 2;
  // A recorded extent with that room.
  const auto widened = [&](Envelope e) {
    e.xMin -= room.xMin;
    e.yMin -= room.yMin;
    e.xMax += room.xMax;
    e.yMax += room.yMax;
    return e;
  };
  double widest = 0, tallest = 0;  // on paper, mm
  const auto fit = [&](const Envelope& e, double scale) {
    widest = std::max(widest, (e.xMax - e.xMin) / scale * 1000);
    tallest = std::max(tallest, (e.yMax - e.yMin) / scale * 1000);
  };
  fit(*firstPrinted, layout.scale);
  if (frames.size() > 1 || (many && many->frames > 1)) {
    layout.coverageLayerId = "tarvik_atlas_coverage";
    layout.coverageLayerName = "图幅范围";
    ProjectGroup& atlas = model.hiddenLayers;
    atlas.crsXml = model.crsXml;
    // The shared classes once more, each drawing only the frame of the
    // atlas page (and every frame in the map window).
    std::string sharedNames[3];
    if (shared) {
      const std::string filter =
          "@atlas_pagename IS NULL OR \"" + shared->frameField + "\" = @atlas_pagename";
      const double scale = scaleOf(*shared);
      const auto add = [&](const std::string& cls, const char* geometry, FrameLayerKind kind,
                           std::string& name) {
        if (cls.empty()) return;
        name = cls + " (图集)";
        atlas.layers.push_back({"tarvik_atlas_" + cls, name, "./" + file + "|layername=" + cls, geometry,
                                FrameLayerStyle(kind, scale, filter)});
      };
      add(shared->annotationClass, "Point", FrameLayerKind::Texts, sharedNames[0]);
      add(shared->lineClass, "Line", FrameLayerKind::Lines, sharedNames[1]);
      add(shared->polygonClass, "Polygon", FrameLayerKind::Polygons, sharedNames[2]);
    }
    // A run of the shared layout alone, in the project's plane: the pages
    // come from the catalog when QGIS opens the project (a listing of
    // 300 000 pages would make the project hundreds of megabytes).
    const bool fromCatalog =
        shared && !OffThePlane(*shared, plane) &&
        std::all_of(frames.begin(), frames.end(), [&](const FrameInfo& f) {
          return f.extent && f.frameField == shared->frameField && f.dataset == shared->dataset;
        });
    if (fromCatalog) {
      for (const FrameInfo& f : frames) fit(widened(*f.extent), scaleOf(f));
      if (many)
        for (const auto& [scale, size] : many->largest)
          fit(widened(Envelope{0, 0, size.first, size.second}), scale > 0 ? scale : 10000);
      AtlasPage layers{"", sharedNames[0], sharedNames[1], sharedNames[2], Envelope{}, 0};
      atlas.layers.push_back({layout.coverageLayerId, layout.coverageLayerName,
                              CatalogCoverageSource("./" + file + "|layername=" + detail::kCatalogTable,
                                                    shared->dataset, layers, room),
                              "Polygon", LayerStyle{}, "virtual"});
    }
    for (std::size_t i = 0; i < frames.size() && !fromCatalog; ++i) {
      const FrameInfo& f = frames[i];
      std::optional<Envelope> e = i == 0 ? firstPrinted : InPlane(f, plane);
      if (e && i > 0 && f.extent) {
        e = widened(*e);
      } else if (!e) {
        e = PrintedExtent(reader, f, plane);
      }
      if (!e) continue;
      fit(*e, scaleOf(f));
      AtlasPage page{f.frame, f.annotationClass, f.lineClass, f.polygonClass, *e, scaleOf(f)};
      if (!f.frameField.empty()) {
        page.texts = sharedNames[0];
        page.lines = sharedNames[1];
        page.polygons = sharedNames[2];
      }
      layout.atlas.push_back(std::move(page));
    }
    if (!fromCatalog)
      atlas.layers.push_back({layout.coverageLayerId, layout.coverageLayerName, CoverageSource(layout.atlas),
                              "Polygon", LayerStyle{}, "virtual"});
  }
  layout.page = ChoosePage(widest, tallest, print);
  layout.name = layout.coverageLayerId.empty() ? "打印" : "打印图集";
  if (!layout.page.name.empty()) layout.name += " " + layout.page.name;
  model.layoutsXml = LayoutsXml(layout);
}

}  // namespace

std::string ProjectPathFor(const std::string& outputPath) { return SideFilePath(outputPath, ".qgs"); }

std::string GdbStylePathFor(const std::string& outputPath) { return SideFilePath(outputPath, ".qml"); }

std::string DeliveryMark(const std::string& outputPath) {
  // A comment cannot hold "--": the name's hyphens are written as character
  // references, which a comment does not resolve (the mark is compared as
  // written).
  std::string name;
  for (const char c : XmlEscape(fs::path(WithoutTrailingSeparators(outputPath)).filename().string()))
    name += c == '-' ? std::string("&#45;") : std::string(1, c);
  return "<!-- tarvik-output: " + name +
         " (written by Tarvik; its next run into this output replaces it) -->";
}

namespace {

// The files a run writes beside the output.
std::vector<std::string> DeliveredPaths(const std::string& outputPath) {
  std::vector<std::string> paths = {ProjectPathFor(outputPath)};
  if (IsFileGdbPath(outputPath)) paths.push_back(GdbStylePathFor(outputPath));
  return paths;
}

// Why the file at `path` may not be replaced by the run into `outputPath`;
// empty when it may (it is not there, or it is ours and writable).
std::string NotOurs(const std::string& path, const std::string& outputPath) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  if (!S_ISREG(st.st_mode)) return "它不是普通文件";
  std::ifstream in(path, std::ios::binary);
  std::string head(1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.find(DeliveryMark(outputPath)) == std::string::npos)
    return "它不是本程序为" + fs::path(WithoutTrailingSeparators(outputPath)).filename().string() +
           "写的（没有本程序的标记，或已在QGIS中另存过）";
  if ((st.st_mode & S_IWUSR) == 0) return "它是只读的";
  return {};
}

}  // namespace

void CheckDeliveredFiles(const std::string& outputPath) {
  for (const std::string& path : DeliveredPaths(outputPath)) {
    const std::string why = NotOurs(path, outputPath);
    if (!why.empty())
      throw RunError(path + "已存在，" + why +
                     "；为免覆盖它，没有运行。请移走或改名这个文件（命令行也可加 --no-project，"
                     "不写QGIS工程）");
  }
}

void RemoveDeliveredFiles(const std::string& outputPath) {
  std::error_code ec;
  for (const std::string& path : DeliveredPaths(outputPath))
    if (fs::exists(path, ec) && NotOurs(path, outputPath).empty()) fs::remove(path, ec);
}

std::string ProjectDocument(const ProjectModel& model) {
  const bool exclusive = model.groups.size() > 1;
  std::string tree, layers;
  for (std::size_t i = 0; i < model.groups.size(); ++i) {
    const ProjectGroup& g = model.groups[i];
    const bool shown = i == 0;
    tree += "<layer-tree-group" + XmlAttr("name", g.name) +
            XmlAttr("checked", shown || !exclusive ? "Qt::Checked" : "Qt::Unchecked") +
            XmlAttr("expanded", shown ? "1" : "0") + "><customproperties/>";
    for (const auto& layer : g.layers) {
      tree += LayerTreeLayer(layer);
      layers += MapLayer(layer, g.crsXml);
    }
    tree += "</layer-tree-group>\n";
  }
  if (exclusive)
    tree = "<layer-tree-group" + XmlAttr("name", model.title) +
           " checked=\"Qt::Checked\" expanded=\"1\" mutually-exclusive=\"1\" mutually-exclusive-child=\"0\">"
           "<customproperties/>\n" +
           tree + "</layer-tree-group>\n";
  for (const auto& layer : model.hiddenLayers.layers) {
    tree += ReplaceChecked(LayerTreeLayer(layer));
    layers += MapLayer(layer, model.hiddenLayers.crsXml);
  }
  const std::string extent = "<extent>" + Element("xmin", Number(model.xMin)) +
                             Element("ymin", Number(model.yMin)) + Element("xmax", Number(model.xMax)) +
                             Element("ymax", Number(model.yMax)) + "</extent>";
  return std::string("<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n<qgis") +
         XmlAttr("projectname", model.title) + XmlAttr("version", kQgisVersion) + ">\n" +
         "<homePath path=\"\"/>" + Element("title", model.title) + "\n<projectCrs>" + model.crsXml +
         "</projectCrs>\n<layer-tree-group><customproperties/>\n" + tree +
         "</layer-tree-group>\n<mapcanvas name=\"theMapCanvas\" "
         "annotationsVisible=\"1\"><units>meters</units>" +
         extent + "<rotation>0</rotation><destinationsrs>" + model.crsXml +
         "</destinationsrs><rendermaptile>0</rendermaptile></mapcanvas>\n<projectlayers>\n" + layers +
         "</projectlayers>\n" + model.layoutsXml +
         "<properties><SpatialRefSys><ProjectionsEnabled type=\"int\">1</ProjectionsEnabled>"
         "</SpatialRefSys><Paths><Absolute type=\"bool\">false</Absolute></Paths></properties>\n</qgis>\n";
}

DeliveredFiles WriteQgisProject(const std::string& outputPath, const PrintOptions& print,
                                bool callerHoldsLock) {
  // A run of the shared layout alone with more frames than a layer panel
  // lists is written from the first frame and a summary of the others, the
  // atlas reading them from the catalog: the project's memory and size do
  // not grow with the run. Anything else is read frame by frame.
  std::optional<OutputReader> opened;
  opened.emplace(outputPath, callerHoldsLock, OutputReader::Listing::FirstSharedFrame);
  const bool many = [&] {
    const auto& s = opened->sharedSummaries();
    return opened->frames().size() == 1 && s.size() == 1 && s.front().frames > kMaxFilteredFrameGroups &&
           s.front().withExtent == s.front().frames && !opened->frames().front().ref.isGeographic();
  }();
  // Read again, every frame listed, only when the first reading left some
  // out (an output of frames' own classes is listed whole either way).
  const auto& summarized = opened->sharedSummaries();
  if (!many && std::any_of(summarized.begin(), summarized.end(),
                           [](const SharedFramesSummary& s) { return s.frames > 1; })) {
    opened.reset();
    opened.emplace(outputPath, callerHoldsLock);
  }
  const OutputReader& reader = *opened;
  const auto& summaries = reader.sharedSummaries();
  const auto& frames = reader.frames();
  if (frames.empty()) throw RunError("输出 " + outputPath + " 中没有图廓，不能写QGIS工程");
  const std::string file = fs::path(WithoutTrailingSeparators(outputPath)).filename().string();

  ProjectModel model;
  model.title = fs::path(file).stem().string();
  const FrameInfo& first = frames.front();
  // The plane the project draws on: the first frame's own system, or for a
  // geographic frame the Gauss-Krueger zone it lies in (drawn on a
  // geographic canvas, frames would look narrower than their texts).
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  const bool haveExtent = FrameExtent(reader, first, xMin, yMin, xMax, yMax);
  SpatialReference plane = first.ref;
  if (first.ref.isGeographic() && haveExtent) {
    plane = GaussKruegerOn(first.ref, ThreeDegreeZoneMeridian((xMin + xMax) / 2));
    if (plane.empty() || !TransformRectangle(first.ref, plane, xMin, yMin, xMax, yMax)) plane = first.ref;
  }
  model.crsXml = SpatialRefSysXml(plane);
  // A little room around the frame.
  const double margin = 0.03 * std::max(xMax - xMin, yMax - yMin);
  model.xMin = xMin - margin;
  model.yMin = yMin - margin;
  model.xMax = xMax + margin;
  model.yMax = yMax + margin;

  int index = 0;
  const FrameInfo* shared = nullptr;
  const auto groupOf = [&](const FrameInfo& f, const std::string& name, const std::string& subset) {
    ProjectGroup group;
    group.name = name;
    group.crsXml = SpatialRefSysXml(f.ref);
    const double scale = f.referenceScale > 0 ? f.referenceScale : 10000;
    const auto add = [&](const std::string& cls, const char* geometry, FrameLayerKind kind) {
      if (cls.empty()) return;
      // QGIS keeps a layer id only when it is longer than ten characters.
      group.layers.push_back({"tarvik_" + cls + "_" + std::to_string(index), cls,
                              "./" + file + "|layername=" + cls + subset, geometry,
                              FrameLayerStyle(kind, scale)});
    };
    add(f.annotationClass, "Point", FrameLayerKind::Texts);
    add(f.lineClass, "Line", FrameLayerKind::Lines);
    add(f.polygonClass, "Polygon", FrameLayerKind::Polygons);
    model.groups.push_back(std::move(group));
    ++index;
  };
  // The shared classes: each frame's features through a filter on its name,
  // when the frames are few enough for a layer panel; beyond that QGIS would
  // open three layers per group when it reads the project (200 groups of a
  // 10 000-frame run: over a minute), so a large run offers its frames
  // through the whole classes and the atlas alone.
  const auto sharedFrames = many ? summaries.front().frames
                                 : std::count_if(frames.begin(), frames.end(),
                                                 [](const FrameInfo& f) { return !f.frameField.empty(); });
  const bool frameGroups = sharedFrames <= kMaxFilteredFrameGroups;
  for (const FrameInfo& f : frames) {
    if (f.frameField.empty()) {
      groupOf(f, f.frame, "");
      continue;
    }
    if (!shared) shared = &f;
    if (frameGroups) groupOf(f, f.frame, "|subset=" + FrameFilter(f));
  }
  // And the shared classes whole: every frame, and a layer to filter by any
  // frame's name.
  if (shared) groupOf(*shared, "全部图廓", "");
  AddPrintLayout(reader, plane, file, shared, many ? &summaries.front() : nullptr, print, model);

  // Checked again: a file may have come since the run was planned.
  CheckDeliveredFiles(outputPath);
  DeliveredFiles out;
  out.frames = static_cast<int>(many ? summaries.front().frames : static_cast<std::int64_t>(frames.size()));
  out.project = ProjectPathFor(outputPath);
  WriteTextFile(out.project, Marked(ProjectDocument(model), outputPath));
  if (reader.kind() == OutputKind::FileGdb) {
    out.gdbStyle = GdbStylePathFor(outputPath);
    const double scale = first.referenceScale > 0 ? first.referenceScale : 10000;
    WriteTextFile(out.gdbStyle, Marked(StyleDocument(CombinedFrameStyle(scale)), outputPath));
  }
  return out;
}

}  // namespace tarvik::deliver
