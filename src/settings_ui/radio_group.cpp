#include "settings_ui/radio_group.h"

#include <QGridLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvik {

TRadioGroup::TRadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent), buttons_(this), outer_(new QVBoxLayout(this)), layout_(new QGridLayout) {
  outer_->addLayout(layout_);
  buttons_.setExclusive(true);
  connect(&buttons_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (!on || id == index_) return;
    index_ = id;
    emit itemIndexChanged(id);
  });
  connect(&buttons_, &QButtonGroup::idClicked, this, [this](int id) { emit clicked(id); });
}

void TRadioGroup::setItems(const QStringList& items) {
  for (QAbstractButton* b : buttons_.buttons()) {
    buttons_.removeButton(b);
    delete b;
  }
  index_ = -1;
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    buttons_.addButton(b, i);
  }
  relayout();
}

QStringList TRadioGroup::items() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out << buttons_.button(i)->text();
  return out;
}

int TRadioGroup::count() const { return static_cast<int>(buttons_.buttons().size()); }

void TRadioGroup::setColumns(int columns) {
  columns_ = std::max(1, columns);
  relayout();
}

int TRadioGroup::itemIndex() const { return index_; }

void TRadioGroup::setItemIndex(int index) {
  if (index < 0 || index >= count()) {
    if (index_ == -1) return;
    // An exclusive group cannot be emptied by unchecking its button.
    buttons_.setExclusive(false);
    buttons_.button(index_)->setChecked(false);
    buttons_.setExclusive(true);
    index_ = -1;
    emit itemIndexChanged(-1);
    return;
  }
  buttons_.button(index)->setChecked(true);  // emits through idToggled
}

QRadioButton* TRadioGroup::button(int index) const {
  return qobject_cast<QRadioButton*>(buttons_.button(index));
}

void TRadioGroup::addBelow(QWidget* widget) { outer_->addWidget(widget); }
void TRadioGroup::addBelow(QLayout* layout) { outer_->addLayout(layout); }

void TRadioGroup::relayout() {
  for (int i = 0; i < count(); ++i) layout_->removeWidget(buttons_.button(i));
  for (int i = 0; i < count(); ++i) layout_->addWidget(buttons_.button(i), i / columns_, i % columns_);
}

}  // namespace tarvik
