// How the Qt forms show a message a person only acknowledges. Tests replace
// it with a recorder; the program shows a message box.
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace tarvik {

using MessageFunction = std::function<void(const QString& text)>;

// A modal information box over `parent`, titled with the application's
// display name.
MessageFunction MessageBoxFunction(QWidget* parent);

}  // namespace tarvik
