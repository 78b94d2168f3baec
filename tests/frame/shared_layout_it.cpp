// The shared layout in a store that already holds frames (the window adds a
// run's frames to an existing output): frames of another coordinate system
// or scale are refused before the store is written, which stays as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "frame/frame_stores.h"
#include "frame/utCreateTkByTfhao.h"
#include "gdb/output_reader.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

// Every file of the output (one for a GeoPackage, the folder's for a File
// Geodatabase) with its bytes; of a GeoPackage without the counters of
// SQLite's header (changes, schema), which opening it for writing moves on.
std::map<std::string, std::string> Contents(const std::string& output) {
  std::map<std::string, std::string> out;
  if (!fs::is_directory(output)) {
    std::string bytes = test::ReadFile(output);
    if (bytes.size() >= 100) {
      bytes.replace(24, 4, 4, '\0');
      bytes.replace(40, 4, 4, '\0');
      bytes.replace(92, 4, 4, '\0');
    }
    out[output] = bytes;
    return out;
  }
  for (const auto& e : fs::directory_iterator(output))
    out[e.path().string()] = test::ReadFile(e.path().string());
  return out;
}

void SheetRun(const std::string& number, const TFrameSettings& settings, const std::string& output,
              UserFeedback& feedback) {
  TCreateTkByTfhao b(number, settings, RunValues{}, OpenFrameStore(output, feedback, OutputLayout::Shared),
                     feedback);
  b.RunAndClose(output);
}

class SharedLayoutAdding : public ::testing::TestWithParam<const char*> {};

TEST_P(SharedLayoutAdding, AnotherSystemOrScaleIsRefusedAndTheStoreKept) {
  test::TempDir dir;
  RecordingFeedback feedback;
  const std::string out = dir / (std::string("s") + GetParam());
  TFrameSettings s;
  s.sharedLayout = true;
  SheetRun("E45G095066", s, out, feedback);
  SheetRun("E45G095067", s, out, feedback);
  const auto before = Contents(out);

  TFrameSettings otherZone = s;
  otherZone.centralMeridian = 90;
  TFrameSettings geographic = s;
  geographic.GeodeticOutput = true;
  struct Case {
    const char* what;
    std::string number;
    TFrameSettings settings;
    const char* message;
  };
  for (const Case& c : {Case{"zone", "E45G095068", otherZone, "只能有一个坐标系统"},
                        Case{"geographic", "E45G095068", geographic, "只能有一个坐标系统"},
                        Case{"scale", "E45E024017", s, "不同比例尺"}}) {
    try {
      SheetRun(c.number, c.settings, out, feedback);
      ADD_FAILURE() << c.what << " was added";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
    }
    EXPECT_TRUE(Contents(out) == before) << c.what << " changed the store";
    std::vector<std::string> frames;
    const OutputReader reader(out);
    for (const FrameInfo& f : reader.frames()) frames.push_back(f.frame);
    EXPECT_EQ(frames, (std::vector<std::string>{"E45G095066", "E45G095067"})) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, SharedLayoutAdding, ::testing::Values(".gdb", ".gpkg"));

}  // namespace
}  // namespace tarvik
