#include "app/window_dialogs.h"

#include <string>
#include <vector>

#include "app/frame_viewer.h"
#include "app/make_index_dialog.h"
#include "common/error.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tarvik {
namespace {

bool IsGdbFolder(const QString& path) {
  return path.endsWith(".gdb", Qt::CaseInsensitive) && QFileInfo(path).isDir();
}

// A save dialog in which a File Geodatabase, being a folder, can be chosen:
// opening a folder ending in ".gdb" (double click, or Save with it selected)
// chooses it instead of entering it.
class OutputFileDialog : public QFileDialog {
 public:
  OutputFileDialog(QWidget* parent, const QString& start, const QStringList& filters)
      : QFileDialog(parent, QString::fromUtf8("输出文件")) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::DontConfirmOverwrite);  // the run asks before replacing
    setNameFilters(filters);
    if (!start.isEmpty()) {
      const QFileInfo info(start);
      setDirectory(info.absolutePath());
      selectFile(info.fileName());
    }
    connect(this, &QFileDialog::directoryEntered, this, [this](const QString& dir) {
      if (!IsGdbFolder(dir)) return;
      chosen_ = dir;
      QDialog::accept();
    });
  }

  void accept() override {
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && IsGdbFolder(files.first())) {
      chosen_ = files.first();
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
  }

  QString chosen() const { return chosen_.isEmpty() ? selectedFiles().value(0) : chosen_; }
  int filterIndex() const {
    // A File Geodatabase folder chosen directly is a .gdb whatever filter is
    // showing: its own filter (the first) keeps its ending.
    if (!chosen_.isEmpty()) return 0;
    const int i = static_cast<int>(nameFilters().indexOf(selectedNameFilter()));
    return i < 0 ? 0 : i;
  }

 private:
  QString chosen_;
};

}  // namespace

WindowDialogs DesktopDialogs(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  WindowDialogs d;
  d.message = [owner](const QString& text) {
    QMessageBox::information(owner.data(), QApplication::applicationDisplayName(), text);
  };
  d.error = [owner](const QString& text) {
    QMessageBox::critical(owner.data(), QApplication::applicationDisplayName(), text);
  };
  d.errorWithCaption = [owner](const QString& text, const QString& caption) {
    QMessageBox::critical(owner.data(), caption, text);
  };
  d.confirm = [owner](const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner.data());
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
  };
  d.choose = [owner](const QString& text, const QString& caption, const QStringList& buttons,
                     int defaultButton, const QString& details) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::NoButton, owner.data());
    if (!details.isEmpty()) box.setDetailedText(details);
    QList<QAbstractButton*> made;
    for (qsizetype i = 0; i < buttons.size(); ++i)
      made << box.addButton(buttons[i],
                            i + 1 == buttons.size() ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    if (defaultButton >= 0 && defaultButton < made.size())
      box.setDefaultButton(qobject_cast<QPushButton*>(made[defaultButton]));
    box.exec();
    return static_cast<int>(made.indexOf(box.clickedButton()));
  };
  d.openFile = [owner](const QString& start, const QStringList& filters) -> std::optional<QString> {
    const QString path = QFileDialog::getOpenFileName(owner.data(), QString::fromUtf8("选择文件名"), start,
                                                      filters.join(";;"));
    if (path.isEmpty()) return std::nullopt;
    return path;
  };
  d.saveFile = [owner](const QString& start, const QStringList& filters) -> std::optional<SaveChoice> {
    OutputFileDialog dialog(owner.data(), start, filters);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen().isEmpty()) return std::nullopt;
    return SaveChoice{dialog.chosen(), dialog.filterIndex()};
  };
  d.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  d.startProgram = [](const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
  };
  d.askIndex = [owner](const QString& sheetNumber, const QString& folder) -> std::optional<IndexRequest> {
    MakeIndexDialog dialog(sheetNumber, folder, owner.data());
    while (dialog.exec() == QDialog::Accepted) {
      try {
        return dialog.request();
      } catch (const RunError& e) {
        QMessageBox::critical(&dialog, QApplication::applicationDisplayName(), QString::fromUtf8(e.what()));
      }
    }
    return std::nullopt;
  };
  d.showPath = [owner](const QString& text, const QString& path) {
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), text + "\n" + path,
                    QMessageBox::NoButton, owner.data());
    QPushButton* copy = box.addButton(QString::fromUtf8("复制路径"), QMessageBox::ActionRole);
    box.addButton(QString::fromUtf8("关闭"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == copy) QGuiApplication::clipboard()->setText(path);
  };
  d.showFrames = [owner](const QString& output, const QStringList& frames, int first) {
#ifdef TARVIK_HAVE_PREVIEW
    std::vector<std::string> names;
    for (const QString& f : frames) names.push_back(f.toStdString());
    FrameViewer viewer(output.toStdString(), names, first, owner.data());
    viewer.exec();
#else
    (void)output, (void)frames, (void)first;
#endif
  };
  return d;
}

}  // namespace tarvik
