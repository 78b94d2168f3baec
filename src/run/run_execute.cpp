#include "run/run_execute.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"
#include "deliver/qgis_project.h"
#include "frame/dxf_frame_store.h"
#include "frame/file_builder.h"
#include "frame/frame_stores.h"
#include "frame/utCreateTkByTfhao.h"
#include "gdb/output_kind.h"
#include "gdb/output_lock.h"
#include "gdb/output_reader.h"
#include "gdb/output_removal.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

bool OutputIsThere(const std::string& output) {
  std::error_code ec;
  if (IsDxfOutput(output)) return fs::exists(output, ec);
  return OutputExists(output) || (fs::exists(output, ec) && !IsFileGdbPath(output));
}

// Frames are added to a store only when none of them is there already
// (letter case ignored, as the stores compare names).
void CheckNothingHeld(const RunPlan& plan, UserFeedback& feedback) {
  std::set<std::string> held;
  try {
    const OutputReader reader(plan.output, /*callerHoldsLock=*/true);
    if (!reader.recovered().empty()) feedback.message(reader.recovered());
    for (const FrameInfo& f : reader.frames()) held.insert(ToUpperAscii(f.frame));
  } catch (const RunError& e) {
    throw RunError("不能把图廓加入" + plan.output + "：" + e.what());
  }
  for (const std::string& name : plan.frameNames)
    if (held.count(ToUpperAscii(name))) throw RunError("输出" + plan.output + "中已经有图廓" + name);
}

// The output ready for the run, under the lock: replaced, added to, or new.
void PrepareOutput(const RunPlan& plan, ExistingOutput existing, const RunHooks& hooks,
                   UserFeedback& feedback) {
  const std::string& output = plan.output;
  if (!OutputIsThere(output)) {
    RemoveOrphanedSideFiles(output);
    return;
  }
  switch (existing) {
    case ExistingOutput::Refuse:
      throw RunError(output + " 已存在");
    case ExistingOutput::Replace:
      if (hooks.phase) hooks.phase("正在删除已有的输出……");
      if (IsDxfOutput(output)) {
        std::error_code ec;
        if (!IsDxfFile(output) || !fs::remove(output, ec))
          throw RunError(output + "文件已存在，且无法删除(它不是DXF文件)");
      } else {
        const std::string note = RemoveOutputStore(output);
        if (!note.empty()) feedback.message(note);
        // A project of ours would name classes that are gone.
        deliver::RemoveDeliveredFiles(output);
      }
      return;
    case ExistingOutput::Append:
      if (!plan.appendable)
        throw RunError(output + "已存在；只能把图廓加入GeoPackage(.gpkg)，文件地理数据库和DXF只能替换");
      CheckNothingHeld(plan, feedback);
      return;
  }
}

std::unique_ptr<TtkBaseClass> MakeBuilder(const RunPlan& plan, UserFeedback& feedback) {
  const RunRequest& r = plan.request;
  auto store = OpenFrameStore(plan.output, feedback, OutputLayoutOf(plan.settings),
                              plan.reprojection ? plan.reprojection->description() : std::string());
  RunValues run;
  if (r.transformation) run.InputTransformation = DescribeTransformation(*r.transformation);
  if (r.mode == CreationMode::SheetNumber) {
    if (plan.rectSheet)
      return std::make_unique<TCreateTkByTfhao>(*plan.rectSheet, plan.settings, run, std::move(store),
                                                feedback);
    return std::make_unique<TCreateTkByTfhao>(r.sheetNumber, plan.settings, run, std::move(store), feedback);
  }
  FrameInput input;
  input.cls = plan.input->cls;
  input.path = plan.input->path;
  input.fids = plan.fids;
  input.reprojection = plan.reprojection;
  input.extent = plan.extent;
  input.systemSettled = plan.reprojection || plan.systemDescribed;
  auto builder =
      MakeFileBuilder(r.mode, plan.settings, std::move(run), std::move(store), feedback, std::move(input));
  builder->FWhereClause = plan.where;
  builder->FNameField = plan.nameField;
  builder->FNameTemplate = r.nameTemplate;
  return builder;
}

void WriteProject(const RunPlan& plan, RunResult& result) {
  if (IsDxfOutput(plan.output)) {
    result.projectNote = "DXF输出没有QGIS工程";
  } else if (!plan.request.writeProject) {
    result.projectNote = "没有要求写QGIS工程";
  } else if (result.frames.empty()) {
    result.projectNote = "没有写入图廓";
  } else {
    try {
      deliver::PrintOptions print;
      print.paper =
          plan.settings.rgPrintPaper == 1 ? deliver::PaperRule::StandardPaper : deliver::PaperRule::FitFrame;
      print.marginMm = plan.settings.sePrintMargin / 10.0;
      const deliver::DeliveredFiles files =
          deliver::WriteQgisProject(plan.output, print, /*callerHoldsLock=*/true);
      result.project = files.project;
      result.gdbStyle = files.gdbStyle;
    } catch (const RunError& e) {
      result.projectError = e.what();
    }
  }
}

}  // namespace

RunResult ExecuteRun(const RunPlan& plan, ExistingOutput existing, UserFeedback& feedback,
                     const RunHooks& hooks) {
  std::error_code ec;
  // The folder, with its parents (a failure shows when the store is made).
  fs::create_directories(fs::path(plan.output).parent_path(), ec);
  // Held for the whole run, from before an existing output is removed.
  OutputLock lock = OutputLock::Acquire(plan.output);
  if (hooks.outputLocked) hooks.outputLocked(lock.file());
  PrepareOutput(plan, existing, hooks, feedback);

  const auto start = std::chrono::steady_clock::now();
  const std::unique_ptr<TtkBaseClass> builder = MakeBuilder(plan, feedback);
  builder->FOnFrameDone = hooks.frameDone;
  {
    struct Closed {
      const RunHooks& hooks;
      ~Closed() {
        if (hooks.outputClosed) hooks.outputClosed();
      }
    } closed{hooks};
    builder->RunAndClose(plan.output);
  }
  RunResult result;
  result.output = plan.output;
  result.frames = builder->keptFrameNames();
  result.counts = builder->counts();
  result.stopped = builder->aborted();
  result.run = builder->run();
  WriteProject(plan, result);
  result.milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  return result;
}

}  // namespace tarvik
