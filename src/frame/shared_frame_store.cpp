#include "frame/shared_frame_store.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

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
    } catch (...) {}
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

// What the engine drew of one frame, handed from the drawing thread to the
// writing one.
struct DrawnFrame {
  struct Line {
    LineKind kind;
    StorePoint from, to;
  };
  std::string name;
  std::shared_ptr<const SpatialReference> reference;
  double referenceScale = 0;
  std::vector<Line> lines;
  std::vector<std::pair<PolygonKind, Geometry>> polygons;
  std::vector<FrameText> texts;
  std::string northDiagram;  // for the catalog
};

// Keeps what the engine draws; the store decides later what it takes.
class DrawingSink : public FrameSink {
 public:
  explicit DrawingSink(DrawnFrame& frame) : frame_(frame) {}
  void beginDrawing() override {}
  int endDrawing() override { return 0; }
  bool line(LineKind kind, StorePoint from, StorePoint to) override {
    frame_.lines.push_back({kind, from, to});
    return true;
  }
  bool polygon(PolygonKind id, const Geometry& polygon) override {
    frame_.polygons.emplace_back(id, polygon);
    return true;
  }
  bool text(const FrameText& text) override {
    frame_.texts.push_back(text);
    return true;
  }

 private:
  DrawnFrame& frame_;
};

// The messages the writing thread has for the user, told by the drawing
// thread (the window's feedback belongs to its own thread).
class HeldMessages : public SilentFeedback {
 public:
  void message(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(text);
  }
  std::vector<std::string> take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(messages_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> messages_;
};

// Frames are drawn on the calling thread and written on a thread of the
// store's own, a few frames behind: on two cores drawing the next frames
// costs no time of the writing, which is what a batch of thousands of
// sheets waits for. Everything the caller is told stays as it was: a frame
// the store cannot take (its name, its coordinate system) is refused when it
// is begun; a frame is told kept once its batch is on disk; what the store
// refused is counted and told; a store that fails ends the run at the next
// call with the frames on disk kept. Only the writing thread touches GDAL
// and the output from the first frame to the close.
class SharedFrameStore : public FrameStore {
 public:
  SharedFrameStore(OutputWorkspace workspace, UserFeedback& feedback)
      : writer_(std::move(workspace)),
        feedback_(feedback),
        open_(writer_.workspace().isOpen()),
        path_(open_ ? writer_.workspace().path() : "") {}
  ~SharedFrameStore() override {
    try {
      close();
    } catch (...) {}
  }

  FrameSink* createFrame(const std::string& name, const SpatialReference& reference,
                         double referenceScale) override {
    abandonFrame();
    tell();
    if (closed_ || !open_) return nullptr;
    if (!writer_.admit(name, reference, referenceScale)) return nullptr;
    drawn_ = std::make_unique<DrawnFrame>();
    drawn_->name = name;
    drawn_->reference = shared(reference);
    drawn_->referenceScale = referenceScale;
    sink_ = std::make_unique<DrawingSink>(*drawn_);
    return sink_.get();
  }

  void finishFrame() override {
    sink_.reset();
    if (!drawn_) return;
    if (!thread_.joinable()) thread_ = std::thread([this] { writeFrames(); });
    {
      std::unique_lock<std::mutex> lock(mutex_);
      room_.wait(lock, [&] { return queue_.size() < kQueuedFrames || failure_; });
      if (!failure_) {
        queue_.push_back(std::move(drawn_));
        ready_.notify_one();
      }
    }
    abandonFrame();
    tell();
  }

  void abandonFrame() override {
    sink_.reset();
    if (drawn_) writer_.release(drawn_->name);
    drawn_.reset();
  }

  void recordNorthDiagram(const std::string& numbers) override {
    if (drawn_) drawn_->northDiagram = numbers;
  }

  void close() override {
    abandonFrame();
    if (closed_) return;
    closed_ = true;
    if (thread_.joinable()) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        ready_.notify_one();
      }
      thread_.join();
    }
    // The writing thread's failure, raised by tell(), goes before one of
    // the close.
    try {
      writer_.close();
    } catch (...) {
      kept_ = writer_.keptFrames();
      tell();
      throw;
    }
    kept_ = writer_.keptFrames();
    tell();
  }

  int keptFrames() const override { return kept_; }
  std::string keptIn() const override { return path_; }

  RefusedElements takeRefused() override {
    RefusedElements r;
    r.lines = refusedLines_.exchange(0);
    r.polygons = refusedPolygons_.exchange(0);
    r.texts = refusedTexts_.exchange(0);
    return r;
  }

 private:
  static constexpr std::size_t kQueuedFrames = 16;

  // The reference of the frames, copied once for the writing thread (the
  // frames of a run share one).
  std::shared_ptr<const SpatialReference> shared(const SpatialReference& reference) {
    if (!reference_ || reference.ogr() != referenceOf_ || reference.epsgCode() != referenceEpsg_) {
      reference_ = std::make_shared<const SpatialReference>(SpatialReference::Independent(reference));
      referenceOf_ = reference.ogr();
      referenceEpsg_ = reference.epsgCode();
    }
    return reference_;
  }

  // Tells the held messages and raises the writing thread's failure (at
  // every call once it failed: nothing more is written).
  void tell() {
    for (const std::string& m : held_.take()) feedback_.message(m);
    std::exception_ptr failure;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      failure = failure_;
    }
    if (failure) std::rethrow_exception(failure);
  }

  // The writing thread: frames in the order drawn, until the store closes
  // or fails.
  void writeFrames() {
    for (;;) {
      std::unique_ptr<DrawnFrame> frame;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return !queue_.empty() || closing_; });
        if (queue_.empty()) return;
        frame = std::move(queue_.front());
        queue_.pop_front();
        room_.notify_one();
      }
      try {
        write(*frame);
      } catch (...) {
        writer_.abandonFrame();
        std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
        queue_.clear();
        room_.notify_all();
        return;
      }
    }
  }

  void write(const DrawnFrame& frame) {
    const SharedFrameClasses classes = writer_.beginFrame(frame.name, *frame.reference, frame.referenceScale);
    if (writer_.madeClasses())
      deliver::StyleNewFrame(writer_.workspace(),
                             {classes.lines.name(), classes.polygons.name(), classes.texts.name()},
                             frame.referenceScale);
    std::optional<Envelope> extent;
    {
      SharedSink sink(classes, held_);
      try {
        sink.beginDrawing();
        int lines = 0, polygons = 0, texts = 0;
        for (const auto& l : frame.lines) lines += sink.line(l.kind, l.from, l.to) ? 0 : 1;
        for (const auto& [id, polygon] : frame.polygons) polygons += sink.polygon(id, polygon) ? 0 : 1;
        for (const FrameText& t : frame.texts) texts += sink.text(t) ? 0 : 1;
        lines += sink.endDrawing();
        refusedLines_ += lines;
        refusedPolygons_ += polygons;
        refusedTexts_ += texts;
        extent = sink.extent();
      } catch (...) {
        // The lines still buffered are dropped, not written to be removed.
        sink.discard();
        throw;
      }
    }
    writer_.finishFrame(extent, frame.northDiagram);
    kept_ = writer_.keptFrames();
  }

  SharedFrameWriter writer_;
  UserFeedback& feedback_;
  HeldMessages held_;
  const bool open_;
  const std::string path_;

  // The drawing thread's: the frame being drawn.
  std::unique_ptr<DrawnFrame> drawn_;
  std::unique_ptr<DrawingSink> sink_;
  std::shared_ptr<const SpatialReference> reference_;
  const void* referenceOf_ = nullptr;
  int referenceEpsg_ = 0;
  bool closed_ = false;

  // Shared by the two threads.
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::deque<std::unique_ptr<DrawnFrame>> queue_;
  bool closing_ = false;
  std::exception_ptr failure_;
  std::atomic<int> kept_{0};
  std::atomic<int> refusedLines_{0}, refusedPolygons_{0}, refusedTexts_{0};
};

}  // namespace

std::unique_ptr<FrameStore> MakeSharedFrameStore(OutputWorkspace workspace, UserFeedback& feedback) {
  return std::make_unique<SharedFrameStore>(std::move(workspace), feedback);
}

}  // namespace tarvik
