// The end of a run of the main window: one box that says what was written,
// where and in what time (or that the run was cancelled and what it kept),
// with the ways to look at it; and the window's state while a run goes on.
#include <filesystem>

#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QUrl>

#include "app/PasTarvik.h"
#include "common/error.h"
#include "frame/dxf_frame_store.h"
#ifdef TARVIK_HAVE_PREVIEW
#include "preview/preview.h"
#endif

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// Resolution of the preview picture: a 1:10 000 sheet (about 60 cm on paper)
// comes to some 2 300 pixels, enough to read its texts when zoomed in.
constexpr int kPreviewDpi = 96;

// Hands a file or folder to the desktop; says so when nothing took it.
void OpenOnDesktop(WindowDialogs& dialogs, const QString& path, const QString& advice) {
  if (dialogs.openUrl && dialogs.openUrl(QUrl::fromLocalFile(path))) return;
  if (dialogs.errorWithCaption) dialogs.errorWithCaption(U("没有程序能打开") + path + advice, U("打开文件") + path);
}

}  // namespace

void TFrmTarvik::ReportRun(const RunPlan& plan, const RunResult& result) {
  const QString output = QString::fromStdString(result.output);
  const QString time = QString::number(result.milliseconds) + U("毫秒");
  const QString count = QString::number(static_cast<qsizetype>(result.frames.size()));
  const bool cancelled = result.stopped;
  // Told after the count: the frames are there, but without these elements.
  QString details;
  if (result.counts.refused > 0)
    details += U("\n") + QString::number(result.counts.refused) + U(" 个要素保存失败，输出中缺少它们");
  if (result.counts.skipped > 0)
    details += U("\n") + QString::number(result.counts.skipped) + U(" 个要素的图形有错误，没有生成图廓");
  for (const std::string& note : plan.notes) details += U("\n") + QString::fromStdString(note);
  if (!result.projectError.empty()) details += U("\n没有写QGIS工程：") + QString::fromStdString(result.projectError);
  if (result.frames.empty()) {
    if (dialogs_.message)
      dialogs_.message((cancelled ? U("已取消：没有写入图廓，用时") + time : U("完成，用时") + time + U("，没有写入图廓")) +
                       details);
    return;
  }
  const std::string& project = result.project;
  QString text = cancelled ? U("已取消：写入 ") + count + U(" 个图廓，保留在 ") + output + U("，用时") + time
                           : U("完成，用时") + time + U("\n写入 ") + count + U(" 个图廓到 ") + output;
  text += details;
  if (!project.empty()) text += U("\nQGIS工程：") + QString::fromStdString(project);

  enum Action { Picture, Folder, Project, Close };
  QStringList buttons;
  std::vector<Action> actions;
  const QString first = QString::fromStdString(result.frames.front());
#ifdef TARVIK_HAVE_PREVIEW
  // A DXF drawing is not read back: its frames were checked in its working
  // store, which is gone.
  if (!IsDxfOutput(result.output)) {
    buttons << U("查看第一幅图廓") + first;
    actions.push_back(Picture);
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
  const int chosen = dialogs_.choose(text, cancelled ? U("已取消") : U("完成"), buttons, 0);
  if (chosen < 0 || chosen >= static_cast<int>(actions.size())) return;
  switch (actions[static_cast<std::size_t>(chosen)]) {
    case Picture:
      ShowFramePicture(output, first);
      break;
    case Folder:
      OpenOnDesktop(dialogs_, QFileInfo(output).absolutePath(), QString());
      break;
    case Project:
      OpenOnDesktop(dialogs_, QString::fromStdString(project), U("，请安装QGIS"));
      break;
    case Close:
      break;
  }
}

void TFrmTarvik::ShowFramePicture(const QString& output, const QString& frame) {
#ifdef TARVIK_HAVE_PREVIEW
  const QImage image = RenderFrameImage(output.toStdString(), frame.toStdString(), kPreviewDpi);
  if (dialogs_.showImage) dialogs_.showImage(image, U("预览 ") + frame);
#else
  (void)output;
  (void)frame;
#endif
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
