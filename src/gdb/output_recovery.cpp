#include "gdb/output_recovery.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "common/error.h"
#include "gdb/fdb_index_list.h"
#include "gdb/frame_catalog.h"
#include "gdb/frame_marker.h"
#include "gdb/gdal_handles.h"
#include "gdb/gdb_checkpoint.h"
#include "gdb/output_kind.h"
#include "gdb/output_lock.h"
#include "gdb/output_removal.h"
#include "gdb/store_trust.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

bool HotJournal(const std::string& gpkg) {
  std::error_code ec;
  const auto size = fs::file_size(gpkg + "-journal", ec);
  return !ec && size > 0;
}

// Removes the classes of the frame a killed per-frame run was writing,
// when the catalog does not list the frame (it was not finished). The
// feature dataset stays, empty: GDAL cannot remove one.
std::string RemoveHalfFrame(const std::string& gdb) {
  const auto dataset = detail::FrameInProgress(gdb);
  if (!dataset) {
    detail::ClearFrameInProgress(gdb);
    return {};
  }
  gdal::DatasetPtr ds = gdal::OpenForUpdate(gdb, "OpenFileGDB");
  if (!ds) return {};  // left for a later try: the store does not open now
  bool committed = false;
  detail::ForEachCatalogRow(ds->GetLayerByName(detail::kCatalogTable), [&](const detail::CatalogRow& row) {
    committed = committed || row.dataset == *dataset;
  });
  if (committed) {
    detail::ClearFrameInProgress(gdb);
    return {};
  }
  // Its classes, by the names a frame's classes have, in its dataset or
  // not yet (a class killed while being made is not in it).
  const std::string frame = dataset->substr(1);
  std::set<std::string> classes = {"L_" + frame, "p_" + frame, "a_" + frame};
  if (auto root = ds->GetRootGroup())
    if (auto group = root->OpenGroup(*dataset))
      for (const std::string& name : group->GetVectorLayerNames()) classes.insert(name);
  int removed = 0;
  for (int i = ds->GetLayerCount() - 1; i >= 0; --i) {
    OGRLayer* layer = gdal::Quietly([&] { return ds->GetLayer(i); });
    if (layer && classes.count(layer->GetName()))
      removed += gdal::Quietly([&] { return ds->DeleteLayer(i); }) == OGRERR_NONE ? 1 : 0;
  }
  ds.reset();
  // And the files of a class killed before it was listed at all.
  const int files = detail::RemoveHalfMadeTables(gdb);
  detail::ClearFrameInProgress(gdb);
  if (removed == 0 && files == 0) return {};
  return gdb + "上次的运行在写图廓" + dataset->substr(1) + "时中断：已删除它没有写完的图层（" +
         std::to_string(removed) + " 个" +
         (files > 0 ? "，另有 " + std::to_string(files) + " 个没有建完的表文件" : "") + "；空的数据集" +
         *dataset + "留在其中）";
}

std::string RecoverFileGdb(const std::string& gdb) {
  const detail::CheckpointRecovery r = detail::RecoverCheckpoint(gdb);
  if (!r.unusable.empty()) throw RunError(UnusableCheckpointMessage(gdb, r.unusable, r.setAside));
  std::string note = RemoveHalfFrame(gdb);
  // The run wrote its classes without their spatial indexes (shared_store.h).
  if (r.restored) detail::RestoreSharedSpatialIndexes(gdb);
  if (r.restored)
    note = gdb + "上次的运行被中断：已恢复到它最后报告完成时的样子（之后没有写完的部分已去掉）" +
           (note.empty() ? "" : "；" + note);
  return note;
}

std::string RecoverGeoPackage(const std::string& gpkg) {
  // SQLite rolls the journal back when this connection first reads.
  gdal::OpenForUpdate(gpkg, "GPKG");
  if (HotJournal(gpkg)) return {};
  return gpkg +
         "上次的写入被中断：已撤销没有完成的部分，只留下写完的图廓（其他程序只读打开它之前，需要这样读写打开"
         "一次）";
}

}  // namespace

std::string UnusableCheckpointMessage(const std::string& gdb, const std::string& why,
                                      const std::string& setAside) {
  return gdb + "旁边留有一次没有正常结束的运行保存的检查点，但" + why + "，不能用来恢复；它已移到" +
         setAside + "，" + gdb + "保持原样，可能不完整：" + detail::DescribeTrust(detail::AssessStore(gdb)) +
         "。要重新生成，请替换它（命令行 --overwrite，它和检查点一起删除）；要按现在的样子使用它，请删除" +
         setAside;
}

std::string RecoverOutput(const std::string& rawPath, bool callerHoldsLock) {
  const std::string path = WithoutTrailingSeparators(rawPath);
  const bool gdb = IsFileGdbPath(path);
  // Written in place: not read while another run writes it.
  if (gdb && !callerHoldsLock) CheckOutputNotLocked(path);
  const bool left =
      gdb ? detail::HasCheckpointFiles(path) || fs::exists(detail::FrameMarkerOf(path)) : HotJournal(path);
  if (!left) return {};
  gdal::EnsureRegistered();
  OutputLock lock;
  if (!callerHoldsLock) {
    try {
      lock = OutputLock::Acquire(path);
    } catch (const RunError&) {
      if (gdb) throw;
      return {};  // a run is writing the GeoPackage: its journal is its own
    }
  }
  return gdb ? RecoverFileGdb(path) : RecoverGeoPackage(path);
}

}  // namespace tarvik
