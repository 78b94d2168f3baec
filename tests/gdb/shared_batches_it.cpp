// Batches of the shared layout stay within their limits however long the
// run: every frame is told kept in steps of at most the limit, the store
// holds every frame at the end, and a File GDB's checkpoint is gone; a File
// GDB's spatial indexes are built once, at the close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "common/text_util.h"
#include "common/user_feedback.h"
#include "coords/spatial_reference.h"
#include "gdb/fdb_index_list.h"
#include "gdb/gdal_handles.h"
#include "gdb/gdb_checkpoint.h"
#include "gdb/output_layout.h"
#include "gdb/output_reader.h"
#include "gdb/shared_store.h"
#include "gdb/workspace.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

struct BatchCase {
  const char* ext;
  SharedBatchLimits limits;
  int frames;
  int largest;  // the batch the limits allow at most
};

class SharedBatches : public ::testing::TestWithParam<BatchCase> {};

// Writes frames `first`..`last` (exclusive) of a row of 400 m squares into
// the writer, calling `afterEach` after each.
void WriteRow(SharedFrameWriter& writer, int first, int last, UserFeedback& feedback,
              const std::function<void()>& afterEach = {}) {
  const SpatialReference ref = SpatialReference::FromEpsg(2345);
  for (int i = first; i < last; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "F%04d", i);
    const std::string name = number;
    ASSERT_TRUE(writer.admit(name, ref, 10000));
    const SharedFrameClasses classes = writer.beginFrame(name, ref, 10000);
    const double x = 500000 + 500.0 * i;
    LineBuffer lines(classes.lines, feedback);
    ASSERT_TRUE(lines.add(x, 3500000, x + 400, 3500400, 1));
    ASSERT_EQ(lines.flush(), 0);
    writer.finishFrame(Envelope{x, 3500000, x + 400, 3500400});
    if (afterEach) afterEach();
  }
}

TEST_P(SharedBatches, NeverHoldMoreThanTheirLimitAndKeepEveryFrame) {
  const BatchCase& c = GetParam();
  test::TempDir dir;
  const std::string out = dir / (std::string("b") + c.ext);
  SilentFeedback quiet;
  int largestStep = 0;
  {
    SharedFrameWriter writer(CreateOutputWorkspace(out), c.limits);
    int kept = 0;
    WriteRow(writer, 0, c.frames, quiet, [&] {
      largestStep = std::max(largestStep, writer.keptFrames() - kept);
      kept = writer.keptFrames();
    });
    writer.close();
    EXPECT_EQ(writer.keptFrames(), c.frames);
    EXPECT_LE(writer.largestBatch(), c.largest);
  }
  EXPECT_LE(largestStep, c.largest);
  EXPECT_GT(largestStep, 0);
  EXPECT_EQ(OutputReader(out).frames().size(), static_cast<std::size_t>(c.frames));
  EXPECT_FALSE(detail::HasCheckpointFiles(out));
}

// Lines of the File GDB at `gdb` whose boxes meet the window, as GDAL finds
// them through the class's spatial index.
int LinesMeeting(const std::string& gdb, double x0, double x1) {
  gdal::DatasetPtr ds(
      GDALDataset::FromHandle(GDALOpenEx(gdb.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr)));
  OGRLayer* lines = ds ? ds->GetLayerByName(kSharedLineClass) : nullptr;
  if (!lines) return -1;
  lines->SetSpatialFilterRect(x0, 3499990, x1, 3500410);
  return static_cast<int>(lines->GetFeatureCount(TRUE));
}

// The shared classes of a File GDB go without a spatial index while frames
// are added in batches, and have one over all their rows once closed, also
// when a second run adds to them.
TEST(SharedBatches, BuildTheFileGdbSpatialIndexOnceAtTheClose) {
  test::TempDir dir;
  const std::string out = dir / "s.gdb";
  SilentFeedback quiet;
  const auto linesStem = [&] { return detail::FdbTableStems(out).at(ToUpperAscii(kSharedLineClass)); };
  {
    SharedFrameWriter writer(CreateOutputWorkspace(out), {5, 3600});
    WriteRow(writer, 0, 23, quiet);
    ASSERT_GT(writer.keptFrames(), 0);
    ASSERT_LT(writer.keptFrames(), 23);
    EXPECT_FALSE(detail::HasSpatialIndexFile(out, linesStem()));
    writer.close();
  }
  EXPECT_TRUE(detail::HasSpatialIndexFile(out, linesStem()));
  EXPECT_TRUE(detail::ListsSpatialIndex(out, linesStem(), "Shape"));
  EXPECT_EQ(LinesMeeting(out, 500000 + 500.0 * 21 + 10, 500000 + 500.0 * 22 + 10), 2);
  {
    auto ws = OpenOutputWorkspace(out, quiet);
    ASSERT_TRUE(ws);
    SharedFrameWriter writer(std::move(*ws), {5, 3600});
    WriteRow(writer, 23, 40, quiet);
    EXPECT_FALSE(detail::HasSpatialIndexFile(out, linesStem()));
    writer.close();
  }
  EXPECT_TRUE(detail::HasSpatialIndexFile(out, linesStem()));
  EXPECT_EQ(LinesMeeting(out, 500000 - 10, 500000 + 500.0 * 39 + 10), 40);
  EXPECT_EQ(LinesMeeting(out, 500000 + 500.0 * 38 + 410, 500000 + 500.0 * 38 + 490), 0);
  EXPECT_EQ(OutputReader(out).frames().size(), 40u);
}

// An index GDAL cannot write at the close (here its file's name is taken
// by a folder) is left unlisted: the class reads as one without an index.
TEST(SharedBatches, LeaveAFileGdbSpatialIndexThatCannotBeWrittenUnlisted) {
  test::TempDir dir;
  const std::string out = dir / "s.gdb";
  SilentFeedback quiet;
  std::string stem;
  {
    SharedFrameWriter writer(CreateOutputWorkspace(out), {5, 3600});
    WriteRow(writer, 0, 12, quiet);
    stem = detail::FdbTableStems(out).at(ToUpperAscii(kSharedLineClass));
    std::filesystem::create_directory(std::filesystem::path(out) / (stem + ".spx"));
    writer.close();
  }
  EXPECT_FALSE(detail::ListsSpatialIndex(out, stem, "Shape"));
  EXPECT_FALSE(detail::HasSpatialIndexFile(out, stem));
  EXPECT_EQ(LinesMeeting(out, 500000 - 10, 500000 + 500.0 * 11 + 10), 12);
  EXPECT_EQ(OutputReader(out).frames().size(), 12u);
}

// A limit of frames cuts the batches of a fraction of a second; a limit of
// no time makes every frame a batch of its own.
INSTANTIATE_TEST_SUITE_P(Limits, SharedBatches,
                         ::testing::Values(BatchCase{".gdb", {7, 3600}, 60, 7},
                                           BatchCase{".gpkg", {7, 3600}, 60, 7},
                                           BatchCase{".gdb", {1000000, 0}, 12, 1},
                                           BatchCase{".gpkg", {1000000, 0}, 12, 1}));

}  // namespace
}  // namespace tarvik
