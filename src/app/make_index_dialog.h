// 分幅索引: a standard sheet index made from the window, as make-index makes
// it: the sheets of a scale over a box of longitudes and latitudes, over a
// typed sheet's area, or over the polygons of a cover file.
#pragma once

#include <optional>

#include <QDialog>

#include "run/make_index.h"

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;

namespace tarvik {

class MakeIndexDialog : public QDialog {
  Q_OBJECT

 public:
  // `sheetNumber`: the typed sheet, offered as the area; `folder`: where
  // the index is offered to go.
  MakeIndexDialog(const QString& sheetNumber, const QString& folder, QWidget* parent);

  // The index asked for (scale, area, output), the coordinates left to the
  // caller; RunError when the area does not read (a wrong sheet number).
  IndexRequest request() const;

  QComboBox* cbScale = nullptr;
  QRadioButton* rbBox = nullptr;
  QRadioButton* rbSheet = nullptr;
  QRadioButton* rbCover = nullptr;
  QDoubleSpinBox* west = nullptr;
  QDoubleSpinBox* south = nullptr;
  QDoubleSpinBox* east = nullptr;
  QDoubleSpinBox* north = nullptr;
  QLineEdit* edtSheet = nullptr;
  QLineEdit* edtCover = nullptr;
  QLineEdit* edtIndex = nullptr;
};

}  // namespace tarvik
