#include "frame/dxf_frame_store.h"

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>

#include "common/error.h"
#include "common/text_util.h"
#include "deliver/dxf_export.h"
#include "gdb/annotation.h"
#include "gdb/output_kind.h"
#include "gdb/output_removal.h"

namespace tarvik {
namespace {

// Passes every element on to the inner store's sink and keeps a copy of
// what it took, for the drawing.
class CopyingSink : public FrameSink {
 public:
  CopyingSink(FrameSink& inner, deliver::DxfFrame& frame) : inner_(inner), frame_(frame) {}
  void beginDrawing() override { inner_.beginDrawing(); }
  int endDrawing() override { return inner_.endDrawing(); }
  bool line(LineKind kind, StorePoint from, StorePoint to) override {
    if (!inner_.line(kind, from, to)) return false;
    frame_.lines.push_back({0, static_cast<std::int32_t>(kind), {{{from.x, from.y}, {to.x, to.y}}}});
    return true;
  }
  bool polygon(PolygonKind id, const Geometry& polygon) override {
    if (!inner_.polygon(id, polygon)) return false;
    frame_.polygons.push_back({0, static_cast<std::int32_t>(id), polygon.parts()});
    return true;
  }
  bool text(const FrameText& t) override {
    if (!inner_.text(t)) return false;
    // Stored as the text store stores it (the engine's texts are never
    // turned, and have the font's own size); blank ones are not stored.
    if (Trim(t.text).empty()) return true;
    frame_.texts.push_back({0,
                            t.text,
                            {t.anchor.x, t.anchor.y},
                            MakeTextSymbol(t.font, t.charSpacing, 0, -1, {t.hAlign, t.vAlign}),
                            0});
    return true;
  }

 private:
  FrameSink& inner_;
  deliver::DxfFrame& frame_;
};

class DxfFrameStore : public FrameStore {
 public:
  DxfFrameStore(std::string dxfPath, std::string folder, std::string storePath,
                std::unique_ptr<FrameStore> inner)
      : dxfPath_(std::move(dxfPath)),
        folder_(std::move(folder)),
        storePath_(std::move(storePath)),
        inner_(std::move(inner)),
        drawing_(std::make_unique<deliver::DxfDrawing>(folder_)),
        kept_(drawing_->mark()) {}
  ~DxfFrameStore() override {
    try {
      close();
    } catch (...) {
      // Reported by an explicit close(); a destructor cannot.
    }
  }

  FrameSink* createFrame(const std::string& name, const SpatialReference& reference,
                         double referenceScale) override {
    frame_.reset();
    sink_.reset();
    FrameSink* sink = inner_ ? inner_->createFrame(name, reference, referenceScale) : nullptr;
    if (!sink) return nullptr;
    frame_.emplace();
    frame_->name = name;
    frame_->referenceScale = referenceScale;
    // Only a geographic frame's coordinates need their system to be drawn.
    reference_ = reference.isGeographic() ? reference : SpatialReference();
    frame_->reference = reference_.empty() ? nullptr : &reference_;
    sink_ = std::make_unique<CopyingSink>(*sink, *frame_);
    return sink_.get();
  }

  void finishFrame() override {
    sink_.reset();
    if (!inner_) return;
    if (!frame_) {
      inner_->finishFrame();
      return;
    }
    const deliver::DxfDrawing::Mark before = drawing_->mark();
    // Spooled before the inner store keeps the frame, so that a spool that
    // cannot be written undoes the frame everywhere.
    try {
      if (!broken_.empty()) throw RunError(broken_);
      drawing_->addFrame(*frame_);
    } catch (const RunError& e) {
      if (broken_.empty()) broken_ = e.what();
      frame_.reset();
      throw;
    }
    frame_.reset();
    try {
      inner_->finishFrame();
    } catch (...) {
      drawing_->rewind(before);
      throw;
    }
    spooled_.push_back(drawing_->mark());
    forgetKept();
  }

  void abandonFrame() override {
    sink_.reset();
    frame_.reset();
    if (inner_) inner_->abandonFrame();
  }
  void recordNorthDiagram(const std::string& numbers) override {
    if (inner_) inner_->recordNorthDiagram(numbers);
  }

  int keptFrames() const override { return inner_ ? inner_->keptFrames() : keptCount_; }
  RefusedElements takeRefused() override {
    if (inner_) return inner_->takeRefused();
    RefusedElements late = late_;
    late_ = {};
    return late;
  }
  std::string keptIn() const override { return drawn_ ? dxfPath_ : storePath_; }

  void close() override {
    if (!inner_) return;
    sink_.reset();
    frame_.reset();
    // What the inner store kept and refused at its close stays to be told
    // after it is gone.
    try {
      inner_->close();
    } catch (...) {
      keep();
      throw;
    }
    keep();
    if (!broken_.empty()) throw RunError("DXF图形" + dxfPath_ + "没有写成：" + broken_);
    // The drawing holds the frames the store kept, no more: those of a
    // batch the store could not write are taken back out.
    if (keptCount_ >= 0) {
      forgetKept();
      if (keptCount_ < drawing_->frames()) drawing_->rewind(kept_);
    }
    // The drawing is written before the store goes, so a failure leaves the
    // frames readable in the GeoPackage.
    if (drawing_->frames() > 0) drawing_->write(dxfPath_);
    drawn_ = true;
    drawing_.reset();
    std::error_code ec;
    if (std::filesystem::exists(storePath_, ec)) RemoveOutputStore(storePath_);
    std::filesystem::remove(folder_, ec);
  }

 private:
  void keep() {
    keptCount_ = inner_->keptFrames();
    const RefusedElements r = inner_->takeRefused();
    late_.lines += r.lines;
    late_.polygons += r.polygons;
    late_.texts += r.texts;
    inner_.reset();
  }

  // Drops the marks of frames the store has kept for good; kept_ is then
  // the point the drawing goes back to if the frames after it are lost.
  void forgetKept() {
    const int kept = inner_ ? inner_->keptFrames() : keptCount_;
    if (kept < 0) {
      if (!spooled_.empty()) kept_ = spooled_.back();
      spooled_.clear();
      return;
    }
    while (!spooled_.empty() && spooled_.front().frames <= kept) {
      kept_ = spooled_.front();
      spooled_.pop_front();
    }
  }

  std::string dxfPath_, folder_, storePath_;
  std::unique_ptr<FrameStore> inner_;
  std::unique_ptr<deliver::DxfDrawing> drawing_;
  std::optional<deliver::DxfFrame> frame_;  // the frame being drawn
  SpatialReference reference_;
  std::unique_ptr<CopyingSink> sink_;
  // The drawing after the last frame known kept, and after each frame
  // since (a store that writes in batches keeps a few frames at a time).
  deliver::DxfDrawing::Mark kept_;
  std::deque<deliver::DxfDrawing::Mark> spooled_;
  std::string broken_;  // why the spool could not be written
  bool drawn_ = false;  // the drawing is written (or there was nothing to draw)
  int keptCount_ = -1;
  RefusedElements late_;
};

}  // namespace

bool IsDxfOutput(const std::string& path) { return EndsWithNoCase(WithoutTrailingSeparators(path), ".dxf"); }

bool IsDxfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string code, value;
  if (!std::getline(in, code) || !std::getline(in, value)) return false;
  return Trim(code) == "0" && Trim(value) == "SECTION";
}

std::unique_ptr<FrameStore> MakeDxfFrameStore(std::string dxfPath, std::string folder, std::string storePath,
                                              std::unique_ptr<FrameStore> inner) {
  return std::make_unique<DxfFrameStore>(std::move(dxfPath), std::move(folder), std::move(storePath),
                                         std::move(inner));
}

}  // namespace tarvik
