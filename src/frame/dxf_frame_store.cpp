#include "frame/dxf_frame_store.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"
#include "deliver/dxf_export.h"
#include "frame/gdb_frame_store.h"
#include "gdb/output_kind.h"
#include "gdb/output_removal.h"

namespace tarvik {
namespace {

class DxfFrameStore : public FrameStore {
 public:
  DxfFrameStore(std::string dxfPath, std::string storePath, UserFeedback& feedback)
      : dxfPath_(std::move(dxfPath)), storePath_(std::move(storePath)), inner_(OpenGdbFrameStore(storePath_, feedback)) {}
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

std::unique_ptr<FrameStore> OpenFrameStore(const std::string& path, UserFeedback& feedback) {
  if (!IsDxfOutput(path)) return OpenGdbFrameStore(path, feedback);
  const std::string store = path + ".gpkg";
  std::error_code ec;
  // Left by a run that was killed: it is ours to replace.
  if (std::filesystem::exists(store, ec)) RemoveOutputStore(store);
  return std::make_unique<DxfFrameStore>(path, store, feedback);
}

}  // namespace tarvik
