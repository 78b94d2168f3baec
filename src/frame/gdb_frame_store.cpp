#include "frame/gdb_frame_store.h"

#include <optional>

#include "deliver/frame_styles.h"
#include "gdb/annotation.h"
#include "gdb/feature_class.h"
#include "gdb/geometry.h"

namespace tarvik {
namespace {

// One frame's classes: lines through a buffer, polygons one by one, texts in
// one annotation batch.
class GdbSink : public FrameSink {
 public:
  GdbSink(FeatureClass lines, FeatureClass polygons, FeatureClass annotation, UserFeedback& feedback)
      : lines_(std::move(lines)),
        polygons_(std::move(polygons)),
        layer_(MakeFrameLayer(annotation)),
        feedback_(feedback) {}
  ~GdbSink() override {
    try {
      endDrawing();
    } catch (...) {}
  }
  // Drops what is still buffered (the frame is being undone).
  void discard() {
    if (layer_.inBatch()) layer_.endAddElements();
    if (buffer_) buffer_->discard();
    buffer_.reset();
  }

  void beginDrawing() override {
    if (!buffer_) buffer_.emplace(lines_, feedback_);
    if (!layer_.inBatch()) layer_.beginAddElements();
  }
  int endDrawing() override {
    if (layer_.inBatch()) layer_.endAddElements();
    int refused = 0;
    if (buffer_) {
      refused = buffer_->flush();
      buffer_.reset();
    }
    return refused;
  }
  bool line(LineKind kind, StorePoint from, StorePoint to) override {
    if (!buffer_) beginDrawing();
    return buffer_->add(from.x, from.y, to.x, to.y, kind);
  }
  bool polygon(PolygonKind id, const Geometry& polygon) override {
    return StoreFrameFeature(polygons_, polygon, id, feedback_);
  }
  bool text(const FrameText& t) override {
    if (!layer_.inBatch()) layer_.beginAddElements();
    return StoreFrameText(t, layer_, feedback_);
  }

 private:
  FeatureClass lines_;
  FeatureClass polygons_;
  AnnotationLayer layer_;
  UserFeedback& feedback_;
  std::optional<LineBuffer> buffer_;
};

class GdbFrameStore : public FrameStore {
 public:
  GdbFrameStore(OutputWorkspace workspace, UserFeedback& feedback)
      : workspace_(std::move(workspace)),
        feedback_(feedback),
        path_(workspace_.isOpen() ? workspace_.path() : "") {}
  ~GdbFrameStore() override { close(); }

  FrameSink* createFrame(const std::string& name, const SpatialReference& reference,
                         double referenceScale) override {
    current_.reset();
    const auto dataset = CreateFrameDataset(workspace_, "y" + name, reference);
    if (!dataset) return nullptr;
    FeatureClass lines = CreateFrameClass(*dataset, "L_" + name, FrameClassKind::Line);
    FeatureClass polygons = CreateFrameClass(*dataset, "p_" + name, FrameClassKind::Polygon);
    FeatureClass annotation = CreateFrameAnnotationClass(workspace_, "a_" + name, *dataset, referenceScale);
    deliver::StyleNewFrame(workspace_, {lines.name(), polygons.name(), annotation.name()}, referenceScale);
    current_ =
        std::make_unique<GdbSink>(std::move(lines), std::move(polygons), std::move(annotation), feedback_);
    return current_.get();
  }

  void finishFrame() override {
    if (current_) current_->endDrawing();
    workspace_.commit();
  }

  void abandonFrame() override {
    if (current_) current_->discard();
    current_.reset();
    workspace_.abandon();
  }

  void recordNorthDiagram(const std::string& numbers) override { workspace_.setFrameNorthDiagram(numbers); }

  void close() override {
    current_.reset();
    if (workspace_.isOpen()) workspace_.close();
  }

  // Each frame is committed by finishFrame, and elements are refused while
  // they are drawn (the sink's answers), never later.
  int keptFrames() const override { return -1; }
  RefusedElements takeRefused() override { return {}; }
  std::string keptIn() const override { return path_; }

 private:
  OutputWorkspace workspace_;
  UserFeedback& feedback_;
  const std::string path_;
  std::unique_ptr<GdbSink> current_;
};

}  // namespace

bool StoreFrameText(const FrameText& t, AnnotationLayer& layer, UserFeedback& feedback) {
  // Size -1: the font's own point size; the engine's texts are never turned.
  return PlaceText(t.text, t.font, t.charSpacing, t.anchor.x, t.anchor.y, layer, 0, -1, {t.hAlign, t.vAlign},
                   feedback);
}

std::unique_ptr<FrameStore> MakeGdbFrameStore(OutputWorkspace workspace, UserFeedback& feedback) {
  return std::make_unique<GdbFrameStore>(std::move(workspace), feedback);
}

std::unique_ptr<FrameStore> OpenGdbFrameStore(const std::string& path, UserFeedback& feedback) {
  return MakeGdbFrameStore(OpenOrCreateOutputWorkspace(path, feedback), feedback);
}

}  // namespace tarvik
