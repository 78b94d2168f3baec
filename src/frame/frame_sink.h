// Where the elements of one frame go. The frame engine computes positions;
// a FrameStore (the output workspace) makes the classes of each frame and a
// FrameSink stores its lines, polygons and texts. The real store writes File
// Geodatabases and GeoPackages; tests and benchmarks may record instead.
//
// Coordinates here are in store order: x = easting (or longitude),
// y = northing (or latitude).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/font_desc.h"
#include "coords/spatial_reference.h"
#include "gdb/element_kinds.h"
#include "gdb/geometry.h"
#include "gdb/text_alignment.h"

namespace tarvik {

struct StorePoint {
  double x = 0;  // easting or longitude
  double y = 0;  // northing or latitude
};

// The drawing operations' short names of the alignments.
inline constexpr HorizontalAlignment kLeft = HorizontalAlignment::Left;
inline constexpr HorizontalAlignment kCentre = HorizontalAlignment::Center;
inline constexpr HorizontalAlignment kRight = HorizontalAlignment::Right;
inline constexpr VerticalAlignment kTop = VerticalAlignment::Top;
inline constexpr VerticalAlignment kMiddle = VerticalAlignment::Center;
inline constexpr VerticalAlignment kBottom = VerticalAlignment::Bottom;

struct FrameText {
  std::string text;  // as given, not trimmed; lines joined by CR LF
  FontDesc font;     // face, point size, colour and style of the text
  HorizontalAlignment hAlign = kLeft;
  VerticalAlignment vAlign = kBottom;
  int charSpacing = 0;
  StorePoint anchor;
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // Opens the buffered line path and the text batch of the frame.
  virtual void beginDrawing() = 0;
  // Ends the text batch and flushes the lines; also called after a failure.
  // Returns how many buffered lines the store refused at the flush.
  virtual int endDrawing() = 0;
  // Each returns false when the store refused the element (it is then not
  // written); the store has told the user ("保存失败") and drawing goes on.
  virtual bool line(LineKind kind, StorePoint from, StorePoint to) = 0;
  virtual bool polygon(PolygonKind id, const Geometry& polygon) = 0;
  // Blank texts are skipped by the sink.
  virtual bool text(const FrameText& text) = 0;
};

// Elements a store refused after the sink had taken them.
struct RefusedElements {
  int lines = 0, polygons = 0, texts = 0;
};

class FrameStore {
 public:
  virtual ~FrameStore() = default;
  // Creates the dataset "y" + name and the classes "L_", "p_", "a_" + name
  // (name already cleaned) with the reference and the annotation reference
  // scale. No sink when the dataset could not be made (the caller reports
  // it); a class that cannot be made raises RunError.
  virtual FrameSink* createFrame(const std::string& name, const SpatialReference& reference,
                                 double referenceScale) = 0;
  // Every operation below is pure: a store that wraps another (DXF over a
  // GeoPackage, a timing wrapper) must pass each one on, or what the inner
  // store kept and refused would be lost on the way.
  //
  // The frame is drawn: keeps it, on disk when this returns (or, for a store
  // that writes in batches, once its batch is). RunError when the store does
  // not take it (the frame is then undone).
  virtual void finishFrame() = 0;
  // The frame failed: undoes it, so that it is not listed as written.
  virtual void abandonFrame() = 0;
  // The numbers of the current frame's three-north diagram, kept in its
  // catalog row (column north_diagram) when the frame is finished.
  virtual void recordNorthDiagram(const std::string& numbers) = 0;
  // Keeps everything written and closes the store (also done on
  // destruction). RunError when the store fails to close.
  virtual void close() = 0;
  // How many finished frames are on disk: a store that writes frames in
  // batches holds a finished frame until its batch is written, and a frame
  // is told done only then. -1: every frame is on disk when finishFrame()
  // returns.
  virtual int keptFrames() const = 0;
  // A store that writes frames after they are drawn refuses elements late:
  // those refused since the last call (the store has told the user). A store
  // that refuses only while drawing returns none.
  virtual RefusedElements takeRefused() = 0;
  // Where the frames kept so far are, for the message of a run that ends
  // early: the output, or (a DXF drawing not written) the store that holds
  // them; empty for a store that keeps them nowhere on disk.
  virtual std::string keptIn() const = 0;
};

// The base of stores that keep a frame complete the moment it is drawn and
// refuse nothing later: recorders of tests and benchmarks, which hold the
// elements in memory. A store that wraps another is never one of these.
class InMemoryFrameStore : public FrameStore {
 public:
  void finishFrame() override {}
  void abandonFrame() override {}
  void recordNorthDiagram(const std::string&) override {}
  void close() override {}
  int keptFrames() const override { return -1; }
  RefusedElements takeRefused() override { return {}; }
  std::string keptIn() const override { return {}; }
};

}  // namespace tarvik
