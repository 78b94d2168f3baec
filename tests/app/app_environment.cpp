// One QApplication for the whole suite, set up as the program sets itself up,
// on the offscreen platform unless the caller chose another.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/program_start.h"

namespace {

class AppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "app_gui";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
    tarvik::PrepareApplication(*app_);
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};

const auto* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace
