// A FrameStore that keeps what the engine drew in memory, so drawing can be
// tested without an output file.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "frame/frame_sink.h"

namespace tarvik::test {

struct RecordedLine {
  LineKind kind;
  StorePoint from, to;
};
struct RecordedPolygon {
  PolygonKind id;
  Geometry polygon;
};

struct RecordedFrame {
  std::string name;
  SpatialReference reference;
  double referenceScale = 0;
  std::vector<RecordedLine> lines;
  std::vector<RecordedPolygon> polygons;
  std::vector<FrameText> texts;
  int begins = 0, ends = 0;

  int linesOfKind(LineKind kind) const {
    int n = 0;
    for (const auto& l : lines) n += l.kind == kind;
    return n;
  }
  const FrameText* findText(const std::string& text) const {
    for (const auto& t : texts)
      if (t.text == text) return &t;
    return nullptr;
  }
};

class RecordingSink : public FrameSink {
 public:
  explicit RecordingSink(RecordedFrame& frame) : frame_(frame) {}
  void beginDrawing() override { ++frame_.begins; }
  int endDrawing() override {
    ++frame_.ends;
    return 0;
  }
  bool line(LineKind kind, StorePoint from, StorePoint to) override {
    frame_.lines.push_back({kind, from, to});
    return true;
  }
  bool polygon(PolygonKind id, const Geometry& polygon) override {
    frame_.polygons.push_back({id, polygon});
    return true;
  }
  bool text(const FrameText& text) override {
    frame_.texts.push_back(text);
    return true;
  }

 private:
  RecordedFrame& frame_;
};

// Frames are kept in `frames` (shared, so the test still sees them after the
// builder that owned the store is gone).
class RecordingStore : public InMemoryFrameStore {
 public:
  explicit RecordingStore(std::shared_ptr<std::deque<RecordedFrame>> frames) : frames_(std::move(frames)) {}
  FrameSink* createFrame(const std::string& name, const SpatialReference& reference,
                         double referenceScale) override {
    for (const auto& f : *frames_)
      if (f.name == name) return nullptr;  // the dataset name is taken
    frames_->push_back({name, reference, referenceScale, {}, {}, {}, 0, 0});
    sinks_.push_back(std::make_unique<RecordingSink>(frames_->back()));
    return sinks_.back().get();
  }

 private:
  std::shared_ptr<std::deque<RecordedFrame>> frames_;
  std::vector<std::unique_ptr<RecordingSink>> sinks_;
};

}  // namespace tarvik::test
