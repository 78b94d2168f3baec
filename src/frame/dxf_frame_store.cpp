#include "frame/dxf_frame_store.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"
#include "deliver/dxf_export.h"
#include "gdb/output_kind.h"
#include "gdb/output_removal.h"

namespace tarvik {
namespace {

class DxfFrameStore : public FrameStore {
 public:
  DxfFrameStore(std::string dxfPath, std::string folder, std::string storePath, std::unique_ptr<FrameStore> inner)
      : dxfPath_(std::move(dxfPath)),
        folder_(std::move(folder)),
        storePath_(std::move(storePath)),
        inner_(std::move(inner)) {}
  ~DxfFrameStore() override {
    try {
      close();
    } catch (...) {
      // Reported by an explicit close(); a destructor cannot.
    }
  }

  FrameSink* createFrame(const std::string& name, const SpatialReference& reference, double referenceScale) override {
    FrameSink* sink = inner_->createFrame(name, reference, referenceScale);
    if (sink) written_ = true;
    return sink;
  }

  void finishFrame() override {
    if (inner_) inner_->finishFrame();
  }
  void abandonFrame() override {
    if (inner_) inner_->abandonFrame();
  }
  void recordNorthDiagram(const std::string& numbers) override {
    if (inner_) inner_->recordNorthDiagram(numbers);
  }

  int keptFrames() const override { return inner_ ? inner_->keptFrames() : kept_; }
  RefusedElements takeRefused() override {
    if (inner_) return inner_->takeRefused();
    RefusedElements late = late_;
    late_ = {};
    return late;
  }
  std::string keptIn() const override { return drawn_ ? dxfPath_ : storePath_; }

  void close() override {
    if (!inner_) return;
    // What the inner store kept and refused at its close stays to be told
    // after it is gone.
    try {
      inner_->close();
    } catch (...) {
      keep();
      throw;
    }
    keep();
    // The drawing is written before the store goes, so a failure leaves the
    // frames readable in the GeoPackage.
    if (written_) deliver::WriteDxf(storePath_, dxfPath_);
    drawn_ = true;
    std::error_code ec;
    if (std::filesystem::exists(storePath_, ec)) RemoveOutputStore(storePath_);
    std::filesystem::remove(folder_, ec);
  }

 private:
  void keep() {
    kept_ = inner_->keptFrames();
    const RefusedElements r = inner_->takeRefused();
    late_.lines += r.lines;
    late_.polygons += r.polygons;
    late_.texts += r.texts;
    inner_.reset();
  }

  std::string dxfPath_, folder_, storePath_;
  std::unique_ptr<FrameStore> inner_;
  bool written_ = false;
  bool drawn_ = false;  // the drawing is written (or there was nothing to draw)
  int kept_ = -1;
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
