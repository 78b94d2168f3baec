#include "frame/shared_frame_store.h"

#include <algorithm>
#include <optional>

#include "deliver/frame_styles.h"
#include "frame/gdb_frame_store.h"
#include "gdb/annotation.h"
#include "gdb/feature_class.h"
#include "gdb/shared_store.h"

namespace tarvik {
namespace {

// One frame's share of the classes: lines through a buffer, polygons one by
// one, texts in one batch; and the extent of what was stored, for the
// frame's catalog row.
class SharedSink : public FrameSink {
 public:
  SharedSink(const SharedFrameClasses& classes, UserFeedback& feedback)
      : lines_(classes.lines, feedback),
        polygons_(classes.polygons),
        texts_(MakeFrameLayer(classes.texts)),
        feedback_(feedback) {}
  ~SharedSink() override {
    try {
      endDrawing();
    } catch (...) {
    }
  }
  void discard() {
    lines_.discard();
    texts_.endAddElements();
  }
  const std::optional<Envelope>& extent() const { return extent_; }

  void beginDrawing() override {
    if (!texts_.inBatch()) texts_.beginAddElements();
  }
  int endDrawing() override {
    if (texts_.inBatch()) texts_.endAddElements();
    return lines_.flush();
  }
  bool line(LineKind kind, StorePoint from, StorePoint to) override {
    if (!lines_.add(from.x, from.y, to.x, to.y, kind)) return false;
    add(from.x, from.y);
    add(to.x, to.y);
    return true;
  }
  bool polygon(PolygonKind id, const Geometry& polygon) override {
    if (!StoreFrameFeature(polygons_, polygon, id, feedback_)) return false;
    if (!polygon.isEmpty()) {
      const Envelope e = polygon.envelope();
      add(e.xMin, e.yMin);
      add(e.xMax, e.yMax);
    }
    return true;
  }
  bool text(const FrameText& t) override {
    if (!texts_.inBatch()) texts_.beginAddElements();
    if (!StoreFrameText(t, texts_, feedback_)) return false;
    add(t.anchor.x, t.anchor.y);
    return true;
  }

 private:
  void add(double x, double y) {
    if (!extent_) {
      extent_ = Envelope{x, y, x, y};
      return;
    }
    extent_->xMin = std::min(extent_->xMin, x);
    extent_->yMin = std::min(extent_->yMin, y);
    extent_->xMax = std::max(extent_->xMax, x);
    extent_->yMax = std::max(extent_->yMax, y);
  }

  LineBuffer lines_;
  FeatureClass polygons_;
  AnnotationLayer texts_;
  UserFeedback& feedback_;
  std::optional<Envelope> extent_;
};

class SharedFrameStore : public FrameStore {
 public:
  SharedFrameStore(OutputWorkspace workspace, UserFeedback& feedback)
      : writer_(std::move(workspace)), feedback_(feedback) {}
  ~SharedFrameStore() override {
    try {
      close();
    } catch (...) {
    }
  }

  FrameSink* createFrame(const std::string& name, const SpatialReference& reference, double referenceScale) override {
    current_.reset();
    const auto classes = writer_.beginFrame(name, reference, referenceScale);
    if (!classes) return nullptr;
    if (writer_.madeClasses())
      deliver::StyleNewFrame(writer_.workspace(), {classes->lines.name(), classes->polygons.name(), classes->texts.name()},
                             referenceScale);
    current_ = std::make_unique<SharedSink>(*classes, feedback_);
    return current_.get();
  }

  void finishFrame() override {
    if (!current_) return;
    current_->endDrawing();
    const std::optional<Envelope> extent = current_->extent();
    current_.reset();
    writer_.finishFrame(extent);
  }

  void abandonFrame() override {
    if (current_) current_->discard();
    current_.reset();
    writer_.abandonFrame();
  }

  void close() override {
    current_.reset();
    writer_.close();
  }

  int keptFrames() const override { return writer_.keptFrames(); }

 private:
  SharedFrameWriter writer_;
  UserFeedback& feedback_;
  std::unique_ptr<SharedSink> current_;
};

}  // namespace

std::unique_ptr<FrameStore> MakeSharedFrameStore(OutputWorkspace workspace, UserFeedback& feedback) {
  return std::make_unique<SharedFrameStore>(std::move(workspace), feedback);
}

}  // namespace tarvik
