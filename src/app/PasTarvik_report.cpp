// The end of a run of the main window: one box that says what was written,
// where and in what time (or that the run was cancelled and what it kept),
// with the ways to look at it; and the window's state while a run goes on.
#include <filesystem>

#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QUrl>

#include "app/PasTarvik.h"
#include "common/error.h"
#include "frame/dxf_frame_store.h"
#ifdef TARVIK_HAVE_PREVIEW
#include "preview/frames_pdf.h"
#include "preview/preview.h"
#endif

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// Opens `path` with the first of `programs` found on PATH, or with the
// desktop's handler; where nothing takes it, shows the path with a button
// that copies it. `desktopFirst`: the desktop's handler before the programs
// (a folder); else after them (a QGIS project, which a desktop may hand to
// a text editor).
void OpenWith(WindowDialogs& dialogs, const QString& path, const QStringList& programs, bool desktopFirst,
              const QString& nothing) {
  const auto desktop = [&] { return dialogs.openUrl && dialogs.openUrl(QUrl::fromLocalFile(path)); };
  if (desktopFirst && desktop()) return;
  for (const QString& program : programs) {
    const QString found = QStandardPaths::findExecutable(program);
    if (!found.isEmpty() && dialogs.startProgram && dialogs.startProgram(found, {path})) return;
  }
  if (!desktopFirst && desktop()) return;
  if (dialogs.showPath) dialogs.showPath(nothing, path);
}

// File managers of the usual desktops, for a folder the desktop itself
// does not open.
const QStringList kFileManagers = {"xdg-open", "nautilus", "dolphin", "thunar", "pcmanfm", "caja", "nemo"};

}  // namespace

void TFrmTarvik::ReportRun(const RunPlan& plan, const RunResult& result) {
  const QString output = QString::fromStdString(result.output);
  const QString time = ElapsedText(result.milliseconds);
  const QString count = QString::number(static_cast<qsizetype>(result.frames.size()));
  const bool cancelled = result.stopped;
  // Told after the count: the frames are there, but without these elements.
  QString summary;
  if (result.counts.refused > 0)
    summary += U("\n") + QString::number(result.counts.refused) + U(" 个要素保存失败，输出中缺少它们");
  if (result.counts.skipped > 0)
    summary += U("\n") + QString::number(result.counts.skipped) + U(" 个要素的图形有错误，没有生成图廓");
  for (const std::string& note : plan.notes) summary += U("\n") + QString::fromStdString(note);
  if (!result.projectError.empty())
    summary += U("\n没有写QGIS工程：") + QString::fromStdString(result.projectError);
  // Every warning of the run, whole, to unfold.
  QStringList warnings;
  for (const std::string& line : plan.skipped) warnings << U("跳过") + QString::fromStdString(line);
  for (const QString& line : runMessages_) warnings << line;
  for (const std::string& note : plan.notes) warnings << QString::fromStdString(note);
  const QString details = warnings.join("\n");
  if (result.frames.empty()) {
    if (dialogs_.message)
      dialogs_.message((cancelled ? U("已取消：没有写入图廓，用时") + time
                                  : U("完成，用时") + time + U("，没有写入图廓")) +
                       summary + (details.isEmpty() ? QString() : U("\n\n") + details));
    return;
  }
  const std::string& project = result.project;
  QString text = cancelled ? U("已取消：写入 ") + count + U(" 个图廓，保留在 ") + output + U("，用时") + time
                           : U("完成，用时") + time + U("\n写入 ") + count + U(" 个图廓到 ") + output;
  text += summary;
  if (!project.empty()) text += U("\nQGIS工程：") + QString::fromStdString(project);

  enum Action { Picture, AllPdf, Folder, Project, Close };
  QStringList buttons;
  std::vector<Action> actions;
  const QString first = QString::fromStdString(result.frames.front());
  QStringList frameList;
  for (const std::string& f : result.frames) frameList << QString::fromStdString(f);
#ifdef TARVIK_HAVE_PREVIEW
  // A DXF drawing is not read back: its frames were checked in its working
  // store, which is gone.
  if (!IsDxfOutput(result.output)) {
    buttons << U("查看第一幅图廓") + first;
    actions.push_back(Picture);
  }
  // Several frames: all of them printed at their scale into one PDF.
  if (result.frames.size() > 1 && !IsDxfOutput(result.output)) {
    buttons << U("全部图廓PDF");
    actions.push_back(AllPdf);
  }
#endif
  buttons << U("打开文件夹");
  actions.push_back(Folder);
  if (!project.empty()) {
    buttons << U("打开QGIS工程");
    actions.push_back(Project);
  }
  buttons << U("关闭");
  actions.push_back(Close);
  if (!dialogs_.choose) return;
  // The box stays until 关闭: after a button it comes back, Enter then closing it.
  for (int defaultButton = 0;; defaultButton = static_cast<int>(buttons.size()) - 1) {
    const int chosen =
        dialogs_.choose(text, cancelled ? U("已取消") : U("完成"), buttons, defaultButton, details);
    if (chosen < 0 || chosen >= static_cast<int>(actions.size())) return;
    switch (actions[static_cast<std::size_t>(chosen)]) {
      case Picture:
        ShowFramePicture(output, frameList);
        break;
      case AllPdf:
        Guarded([&] { PrintAllFrames(output); });
        break;
      case Folder:
        OpenWith(dialogs_, QFileInfo(output).absolutePath(), kFileManagers, true,
                 U("没有找到文件管理器，请自己打开："));
        break;
      case Project:
        OpenWith(dialogs_, QString::fromStdString(project), {"qgis"}, false,
                 U("没有找到QGIS（PATH中没有qgis），请安装QGIS后打开："));
        break;
      case Close:
        return;
    }
  }
}

void TFrmTarvik::PrintAllFrames(const QString& output) {
#ifdef TARVIK_HAVE_PREVIEW
  if (!dialogs_.saveFile) return;
  const QString start =
      QFileInfo(output).absolutePath() + "/" + QFileInfo(output).completeBaseName() + ".pdf";
  const auto choice = dialogs_.saveFile(start, {U("PDF (*.pdf)")});
  if (!choice) return;
  QString pdf = choice->path;
  if (!pdf.endsWith(".pdf", Qt::CaseInsensitive)) pdf += ".pdf";
  progress_.ProgressStart(0, U("正在写入PDF"), true);
  const auto closed = qScopeGuard([this] { progress_.ProgressClose(true); });
  const int pages = WriteFramesPdf(output.toStdString(), pdf.toStdString(), "", [this](int done, int total) {
    if (done == 1) progress_.ProgressStart(total, U("正在写入PDF"), true);
    return !progress_.ProgressStep(1);
  });
  if (dialogs_.message) dialogs_.message(U("写入 ") + QString::number(pages) + U(" 页到 ") + pdf);
#else
  (void)output;
#endif
}

void TFrmTarvik::ShowFramePicture(const QString& output, const QStringList& frames) {
  if (dialogs_.showFrames) dialogs_.showFrames(output, frames, 0);
}

void TFrmTarvik::SetRunning(bool running) {
  running_ = running;
  // The settings dialog, a second run, a new input: nothing of the window
  // may change what the run is reading. Windows of their own (the progress
  // window's question, message boxes) stay usable.
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow()) child->setEnabled(!running);
  if (running)
    progress_.BeginRun();
  else
    progress_.EndRun();
}

}  // namespace tarvik
