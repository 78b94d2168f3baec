#include "run/plan_checks.h"

#include <cmath>
#include <filesystem>

#include "common/error.h"
#include "deliver/qgis_project.h"
#include "frame/dxf_frame_store.h"
#include "frame/naming_checks.h"
#include "gdb/output_kind.h"
#include "gdb/output_removal.h"
#include "gdb/side_files.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

// SQLite keeps a GeoPackage's journal beside it as NAME-journal.
constexpr const char* kJournalSuffix = "-journal";

// The time a per-frame run of `frames` frames takes, in minutes, from the
// figures above (each frame costs in proportion to the frames before it).
long long PerFrameMinutes(std::size_t frames, bool fileGdb) {
  const double n = static_cast<double>(frames) / 5000;
  return std::llround(n * n * (fileGdb ? 6 : 3));
}

}  // namespace

void CheckPlannedOutput(RunPlan& plan) {
  const std::string& output = plan.output;
  const bool dxf = IsDxfOutput(output);
  CheckFrameNames(plan.frameNames, plan.settings.sharedLayout);
  if (!dxf && OutputKindOf(output) == OutputKind::GeoPackage) {
    const std::string name = fs::path(output).filename().string();
    if (name.size() + std::char_traits<char>::length(kJournalSuffix) > kMaxFileNameBytes)
      throw RunError("GeoPackage的文件名" + name + "太长（" + std::to_string(name.size()) +
                     "字节）：SQLite要在它旁边写日志文件" + name + kJournalSuffix + "，文件名最多" +
                     std::to_string(kMaxFileNameBytes - std::char_traits<char>::length(kJournalSuffix)) +
                     "字节");
  }
  if (!dxf && plan.outputExists && IsFileGdbPath(output)) {
    const std::vector<std::string> foreign = ForeignFilesInGdb(output);
    if (!foreign.empty()) {
      std::string list;
      for (std::size_t i = 0; i < foreign.size() && i < 5; ++i) list += (i ? "、" : "") + foreign[i];
      if (foreign.size() > 5) list += "等" + std::to_string(foreign.size()) + "个";
      throw RunError(output + "中有不属于这个文件地理数据库的文件（" + list +
                     "，它的系统目录没有列出），替换它就会删除这些文件；请先把它们移到别处");
    }
  }
  if (!dxf && plan.request.writeProject) deliver::CheckDeliveredFiles(output);
  if (!plan.settings.sharedLayout && plan.frameNames.size() > kPerFrameAdvisedFrames) {
    const bool fileGdb = !dxf && IsFileGdbPath(output);
    plan.layoutAdvice =
        std::to_string(plan.frameNames.size()) +
        "个图廓按每幅一组图层（per-frame）输出，每幅都比前一幅慢，估计要" +
        std::to_string(PerFrameMinutes(plan.frameNames.size(), fileGdb)) +
        "分钟以上；这么多图廓请用共用图层输出（命令行 --layout shared，窗口中图层组织选“共用图层(大批量)”），"
        "一万幅只要几秒，或分成几个输出";
    plan.notes.push_back(plan.layoutAdvice);
  }
}

}  // namespace tarvik
