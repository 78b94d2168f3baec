#include "frame/frame_stores.h"

#include <filesystem>
#include <system_error>

#include "frame/dxf_frame_store.h"
#include "frame/gdb_frame_store.h"
#include "frame/shared_frame_store.h"
#include "gdb/side_files.h"
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

OutputLayout LayoutOfOutput(const std::string& path, OutputLayout asked) {
  return IsDxfOutput(path) ? OutputLayout::Shared : asked;
}

std::unique_ptr<FrameStore> OpenFrameStore(const std::string& path, UserFeedback& feedback,
                                           OutputLayout layout, const std::string& inputTransform) {
  if (!IsDxfOutput(path)) return OpenStoreOf(path, feedback, layout, inputTransform);
  // A folder this run made: nothing of anyone else's is in it.
  const std::string folder = MakePrivateFolder(path, "work");
  const std::string store = (std::filesystem::path(folder) / "frames.gpkg").string();
  try {
    return MakeDxfFrameStore(path, folder, store,
                             OpenStoreOf(store, feedback, LayoutOfOutput(path, layout), inputTransform));
  } catch (...) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    throw;
  }
}

}  // namespace tarvik
