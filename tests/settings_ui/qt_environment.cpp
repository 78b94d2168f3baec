// One QApplication for the whole suite, on the offscreen platform unless the
// caller chose another.
#include <gtest/gtest.h>

#include <QApplication>

#include "settings_ui/font_convert.h"

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "settings_ui_gui";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
    tarvik::InstallWindowsFontSubstitutes();
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};

const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
