#include "frame/frame_stores.h"

#include <filesystem>
#include <system_error>

#include "frame/dxf_frame_store.h"
#include "frame/gdb_frame_store.h"
#include "frame/shared_frame_store.h"
#include "gdb/output_removal.h"
#include "gdb/workspace.h"

namespace tarvik {
namespace {

std::unique_ptr<FrameStore> OpenStoreOf(const std::string& path, UserFeedback& feedback, OutputLayout layout,
                                        const std::string& inputTransform) {
  OutputWorkspace workspace = OpenOrCreateOutputWorkspace(path, feedback);
  workspace.setInputTransform(inputTransform);
  if (layout == OutputLayout::Shared) return MakeSharedFrameStore(std::move(workspace), feedback);
  return MakeGdbFrameStore(std::move(workspace), feedback);
}

}  // namespace

OutputLayout OutputLayoutOf(const TFrameSettings& settings) {
  return settings.sharedLayout ? OutputLayout::Shared : OutputLayout::PerFrame;
}

std::string DxfWorkingStorePath(const std::string& dxfPath) { return dxfPath + ".gpkg"; }

std::unique_ptr<FrameStore> OpenFrameStore(const std::string& path, UserFeedback& feedback, OutputLayout layout,
                                           const std::string& inputTransform) {
  if (!IsDxfOutput(path)) return OpenStoreOf(path, feedback, layout, inputTransform);
  const std::string store = DxfWorkingStorePath(path);
  std::error_code ec;
  // Left by a run that was killed: it is ours to replace.
  if (std::filesystem::exists(store, ec)) RemoveOutputStore(store);
  return MakeDxfFrameStore(path, store, OpenStoreOf(store, feedback, layout, inputTransform));
}

}  // namespace tarvik
