// One Qt application for the whole suite (fonts need it), made by the
// preview's own GuiApplicationScope: offscreen unless QT_QPA_PLATFORM says
// otherwise.
#include <gtest/gtest.h>

#include <memory>

#include "preview/gui_application.h"

namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { scope_ = std::make_unique<tarvik::GuiApplicationScope>(); }
  void TearDown() override { scope_.reset(); }

 private:
  std::unique_ptr<tarvik::GuiApplicationScope> scope_;
};

const auto* const kGuiEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace
