// The main window's rules that need no widgets: the keys the scale box takes, the extension a save dialog's
// choice gets, the output path's directory, and the texts of a failed
// "open this file".
#pragma once

#include <QString>
#include <QStringList>

namespace tarvik {

// Whether a text in the scale box can be (the beginning of) a scale as maps
// write it: a number with at most one ".", optionally after "1:" or "1：",
// optionally followed by "万" ("10000", "1:5万", "2.5万"). Letters and
// anything else are refused as they are typed or pasted.
bool ScaleTextTypable(const QString& text);

// The path of a save dialog's choice with the extension of the chosen filter:
// the filter's entry of `extensions` (first filter, first entry) loses its
// first "*" and replaces the path's extension; when the result has no
// extension, `defaultExtension` does.
QString PathWithChosenExtension(const QString& path, const QStringList& extensions, int filterIndex,
                                const QString& defaultExtension);

// The time a run took as the end box says it: "%d毫秒" under ten seconds,
// "12.3秒" under a minute, "1分37秒", "1小时2分5秒".
QString ElapsedText(qint64 milliseconds);

// Everything up to the last "/" of an output path ("" for a bare file name).
QString DirectoryPart(const QString& path);

// Why the desktop could not open a file, as the error box says it.
enum class ShellOpenResult {
  OutOfMemory = 0,
  FileNotFound = 2,
  PathNotFound = 3,
  BadFormat = 11,
  BadFileName = 27,
  Other = -1,
};
QString ShellOpenMessage(ShellOpenResult result);
// The result for a local file that could not be opened: its folder missing,
// the file missing, or the desktop had nothing to open it with.
ShellOpenResult ShellOpenFailure(const QString& path);

}  // namespace tarvik
