// TRadioGroup: a titled group of radio buttons, one per item, laid out in
// columns, with the index of the chosen item (-1 when none is chosen).
// itemIndexChanged is emitted whenever the index changes, by a click or by
// setItemIndex, so that what depends on the choice follows it either way.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QGridLayout;
class QLayout;
class QVBoxLayout;
class QRadioButton;

namespace tarvik {

class TRadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit TRadioGroup(const QString& title, QWidget* parent = nullptr);

  // Replaces the items (the choice becomes -1).
  void setItems(const QStringList& items);
  QStringList items() const;
  int count() const;
  // Items are placed row by row into this many columns (at least 1).
  void setColumns(int columns);

  int itemIndex() const;
  // An index outside 0..count-1 clears the choice (-1).
  void setItemIndex(int index);

  QRadioButton* button(int index) const;

  // Puts further controls into the group, below the items.
  void addBelow(QWidget* widget);
  void addBelow(QLayout* layout);

 signals:
  void itemIndexChanged(int index);
  // A person chose an item with the mouse or the keyboard.
  void clicked(int index);

 private:
  void relayout();

  QButtonGroup buttons_;
  QVBoxLayout* outer_;
  QGridLayout* layout_;
  int columns_ = 1;
  int index_ = -1;
};

}  // namespace tarvik
