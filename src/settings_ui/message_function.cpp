#include "settings_ui/message_function.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace tarvik {

MessageFunction MessageBoxFunction(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  return [owner](const QString& text) {
    QMessageBox::information(owner.data(), QApplication::applicationDisplayName(), text);
  };
}

}  // namespace tarvik
