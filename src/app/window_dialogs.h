// Everything the main window asks of a person through a modal dialog: message
// boxes, the OK/Cancel question, the open and save file dialogs, the desktop's
// "open this file", and the picture of a finished frame. The program uses the
// real dialogs; tests replace any of these functions with their own answers.
#pragma once

#include <functional>
#include <optional>

#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "run/make_index.h"

class QWidget;

namespace tarvik {

// The path chosen in a save dialog and the index of the filter it was chosen with.
struct SaveChoice {
  QString path;
  int filterIndex = 0;
};

struct WindowDialogs {
  // A message the person acknowledges (information box titled "Tarvik").
  std::function<void(const QString& text)> message;
  // The error that ended an action (error box titled "Tarvik").
  std::function<void(const QString& text)> error;
  // An error box with a caption of its own (ShellOpen's "打开文件" + path).
  std::function<void(const QString& text, const QString& caption)> errorWithCaption;
  // OK/Cancel with the question icon, Cancel the default; true for OK.
  std::function<bool(const QString& text, const QString& caption)> confirm;
  // A box with buttons of its own: the index of the button chosen. The last
  // button is the way out (Esc and the close box choose it); `defaultButton`
  // is the one Enter presses. `details` (may be empty) can be unfolded.
  std::function<int(const QString& text, const QString& caption, const QStringList& buttons,
                    int defaultButton, const QString& details)>
      choose;
  // An open dialog starting at `start`; the path chosen, or nothing.
  std::function<std::optional<QString>(const QString& start, const QStringList& filters)> openFile;
  // A save dialog starting at `start`; a folder ending in ".gdb" can be
  // chosen as well as a file.
  std::function<std::optional<SaveChoice>(const QString& start, const QStringList& filters)> saveFile;
  // Hands a local file to the desktop (browser, viewer); false when nothing took it.
  std::function<bool(const QUrl& url)> openUrl;
  // Starts a program with the arguments, not waiting for it; false when it
  // could not be started.
  std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
  // The index the person asks for in 分幅索引 (scale, area, output); none when
  // they cancel. `sheetNumber` and `folder` are offered.
  std::function<std::optional<IndexRequest>(const QString& sheetNumber, const QString& folder)> askIndex;
  // A path nothing could open, shown with a button that copies it.
  std::function<void(const QString& text, const QString& path)> showPath;
  // Shows the frames of an output, read back from it, `first` first, with
  // the others to page through.
  std::function<void(const QString& output, const QStringList& frames, int first)> showFrames;
};

// The real dialogs, owned by `parent` (which must outlive their use).
WindowDialogs DesktopDialogs(QWidget* parent);

}  // namespace tarvik
