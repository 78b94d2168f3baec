// Batches of the shared layout stay within their limits however long the
// run: every frame is told kept in steps of at most the limit, the store
// holds every frame at the end, and a File GDB's checkpoint is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "common/user_feedback.h"
#include "coords/spatial_reference.h"
#include "gdb/gdb_checkpoint.h"
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

TEST_P(SharedBatches, NeverHoldMoreThanTheirLimitAndKeepEveryFrame) {
  const BatchCase& c = GetParam();
  test::TempDir dir;
  const std::string out = dir / (std::string("b") + c.ext);
  SilentFeedback quiet;
  const SpatialReference ref = SpatialReference::FromEpsg(2345);
  int largestStep = 0;
  {
    SharedFrameWriter writer(CreateOutputWorkspace(out), c.limits);
    int kept = 0;
    for (int i = 0; i < c.frames; ++i) {
      char number[16];
      std::snprintf(number, sizeof number, "F%04d", i);
      const std::string name = number;
      ASSERT_TRUE(writer.admit(name, ref, 10000));
      const SharedFrameClasses classes = writer.beginFrame(name, ref, 10000);
      const double x = 500000 + 500.0 * i;
      LineBuffer lines(classes.lines, quiet);
      ASSERT_TRUE(lines.add(x, 3500000, x + 400, 3500400, 1));
      ASSERT_EQ(lines.flush(), 0);
      writer.finishFrame(Envelope{x, 3500000, x + 400, 3500400});
      largestStep = std::max(largestStep, writer.keptFrames() - kept);
      kept = writer.keptFrames();
    }
    writer.close();
    EXPECT_EQ(writer.keptFrames(), c.frames);
    EXPECT_LE(writer.largestBatch(), c.largest);
  }
  EXPECT_LE(largestStep, c.largest);
  EXPECT_GT(largestStep, 0);
  EXPECT_EQ(OutputReader(out).frames().size(), static_cast<std::size_t>(c.frames));
  EXPECT_FALSE(detail::HasCheckpointFiles(out));
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
