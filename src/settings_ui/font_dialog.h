// TFontDialog: the font dialog of the font buttons. The face is a name typed
// or picked, kept exactly as given: 宋体, 黑体, 仿宋, 楷体 or any other name
// stay what they are even when this machine lacks the face, because the name
// is data for the programs that read the output (ArcGIS draws with it). A
// face the machine lacks is shown with the face that stands in for it, and
// the dialog says so.
//
// Sizes are in points; style: bold, italic, underline, strike-out.
#pragma once

#include <QDialog>
#include <QFont>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace tarvik {

class TFontDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TFontDialog(const QFont& initial, QWidget* parent = nullptr);

  // The face as typed (blanks around it removed), size and style.
  QFont selectedFont() const;

  QComboBox* familyBox() const { return cbFamily; }
  // "本机没有…" when the face is missing here; empty otherwise.
  QString substituteNote() const;

 private:
  void UpdateSample();

  QComboBox* cbFamily = nullptr;
  QSpinBox* sePoints = nullptr;
  QCheckBox* chkBold = nullptr;
  QCheckBox* chkItalic = nullptr;
  QCheckBox* chkUnderline = nullptr;
  QCheckBox* chkStrikeOut = nullptr;
  QLabel* lblSample = nullptr;
  QLabel* lblSubstitute = nullptr;
};

}  // namespace tarvik
