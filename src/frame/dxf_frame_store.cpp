#include "frame/dxf_frame_store.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"
#include "deliver/dxf_export.h"
#include "frame/gdb_frame_store.h"
#include "frame/shared_frame_store.h"
#include "gdb/output_kind.h"
#include "gdb/output_removal.h"

namespace tarvik {
namespace {

class DxfFrameStore : public FrameStore {
 public:
  DxfFrameStore(std::string dxfPath, std::string storePath, std::unique_ptr<FrameStore> inner)
      : dxfPath_(std::move(dxfPath)), storePath_(std::move(storePath)), inner_(std::move(inner)) {}
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

  int keptFrames() const override { return inner_ ? inner_->keptFrames() : -1; }

  void close() override {
    if (!inner_) return;
    inner_->close();
    inner_.reset();
    // The drawing is written before the store goes, so a failure leaves the
    // frames readable in the GeoPackage.
    if (written_) deliver::WriteDxf(storePath_, dxfPath_);
    RemoveOutputStore(storePath_);
  }

 private:
  std::string dxfPath_, storePath_;
  std::unique_ptr<FrameStore> inner_;
  bool written_ = false;
};

}  // namespace

bool IsDxfOutput(const std::string& path) { return EndsWithNoCase(WithoutTrailingSeparators(path), ".dxf"); }

bool IsDxfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string code, value;
  if (!std::getline(in, code) || !std::getline(in, value)) return false;
  return Trim(code) == "0" && Trim(value) == "SECTION";
}

namespace {

std::unique_ptr<FrameStore> OpenStoreOf(const std::string& path, UserFeedback& feedback, OutputLayout layout) {
  if (layout == OutputLayout::Shared)
    return MakeSharedFrameStore(OpenOrCreateOutputWorkspace(path, feedback), feedback);
  return OpenGdbFrameStore(path, feedback);
}

}  // namespace

OutputLayout OutputLayoutOf(const TFrameSettings& settings) {
  return settings.sharedLayout ? OutputLayout::Shared : OutputLayout::PerFrame;
}

std::unique_ptr<FrameStore> OpenFrameStore(const std::string& path, UserFeedback& feedback, OutputLayout layout) {
  if (!IsDxfOutput(path)) return OpenStoreOf(path, feedback, layout);
  const std::string store = path + ".gpkg";
  std::error_code ec;
  // Left by a run that was killed: it is ours to replace.
  if (std::filesystem::exists(store, ec)) RemoveOutputStore(store);
  return std::make_unique<DxfFrameStore>(path, store, OpenStoreOf(store, feedback, layout));
}

}  // namespace tarvik
