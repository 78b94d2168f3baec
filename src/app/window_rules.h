// The main window's rules that need no widgets: the output-name template and
// its field, the keys the scale box takes, the extension a save dialog's
// choice gets, the output path's directory, and the texts of a failed
// "open this file".
#pragma once

#include <QString>
#include <QStringList>

namespace tarvik {

// The field name of an output-name template such as "[NAME]图": the text
// strictly between the first "[" and the first "]". RunError:
//   "字段值没有设置，所以输出图层名为空"  the template is blank;
//   "文件名格式不正确"                   it lacks "[" or "]";
//   "文件名中，必须包括字段"             the name is not one of `fields`
//                                        (compared without regard to case).
QString NameFieldOfTemplate(const QString& nameTemplate, const QStringList& fields);

// The template with its field replaced: what lies before the first "[" and
// after the first "]" stays, "[" + field + "]" goes between ("图_[OLD]_2"
// with NEW gives "图_[NEW]_2"; a template without brackets becomes "[NEW]").
QString TemplateWithField(const QString& nameTemplate, const QString& field);

// The naming field after a new input file was picked: the field chosen
// before when the new file has it (in the file's spelling), else its sheet
// numbers (TFH) for an index, else its first field of its own (not FID),
// else FID; empty without fields.
QString FieldOfNewInput(const QString& before, const QStringList& fields, bool sheetIndex);

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
