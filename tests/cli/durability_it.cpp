// What a run leaves on disk when it does not end normally, read back with
// GDAL: killed or stopped by a signal, a second run on the same output, a
// full disk, elements the store refuses. Every frame the run reported, or
// that the catalog lists, must be complete; the counts the run prints must
// be what a reader finds.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <thread>
#include <tuple>

#include "cli/durability_support.h"
#include "gdb/output_reader.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

// An index of 150 sheets and what an uninterrupted run writes for each.
struct Shared {
  std::string index;
  std::map<std::string, Sizes> reference;
  Shared() {
    const std::string folder = CachedData("many", [](const std::string& work) {
      EXPECT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "88.625", "16.625", "-o",
                        work + "/many.shp"})
                    .exitCode,
                0);
      EXPECT_EQ(RunCli({"index", work + "/many.shp", "-o", work + "/ref.gpkg", "--name-template", "[TFH]"})
                    .exitCode,
                0);
      WriteSizes(work + "/sizes", SizesOf(ReadWithGdal(work + "/ref.gpkg")));
      std::filesystem::remove(work + "/ref.gpkg");
    });
    index = folder + "/many.shp";
    reference = ReadSizes(folder + "/sizes");
    EXPECT_EQ(reference.size(), 150u);
  }
};

const Shared& Data() {
  static const Shared shared;
  return shared;
}

std::vector<std::string> IndexRun(const std::string& output, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"index",           Data().index, "-o",       output,
                                   "--name-template", "[TFH]",      "--verbose"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The frames the catalog of the output lists, after a Tarvik program opened
// it (which puts back what a killed run left); each must be complete, as
// GDAL reads it, and GDAL must find no class of any other frame (a killed
// File GDB run's half-written classes are gone).
std::vector<std::string> CompleteFrames(const std::string& output) {
  std::vector<std::string> listed;
  const OutputReader reader(output);
  for (const FrameInfo& f : reader.frames()) listed.push_back(f.frame);
  const auto found = SizesOf(ReadWithGdal(output));
  for (const std::string& name : listed) {
    EXPECT_TRUE(found.count(name) && found.at(name) == Data().reference.at(name)) << name << " is incomplete";
  }
  for (const auto& [name, sizes] : found)
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end())
        << "a class of " << name << " is not listed";
  return listed;
}

// kind, signal, whether it is sent twice
using Stop = std::tuple<const char*, int, bool>;
class StoppedRun : public ::testing::TestWithParam<Stop> {};

TEST_P(StoppedRun, EveryReportedFrameIsCompleteOnDiskAndARerunWorks) {
  const auto [kind, sig, twice] = GetParam();
  TempDir dir;
  const std::string out = dir / (std::string("out") + kind);
  CliProcess child(IndexRun(out));
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(child.readUntil("[4/")) << child.err();
  child.signal(sig);
  if (twice) {
    ASSERT_TRUE(child.readUntil("正在完成当前图幅后停止")) << child.err();
    child.signal(sig);
  }
  const int status = child.finish();
  const std::string& err = child.err();

  const std::vector<std::string> reported = Reported(err);
  const std::vector<std::string> listed = CompleteFrames(out);
  ASSERT_GE(reported.size(), 4u) << err;
  ASSERT_GE(listed.size(), reported.size()) << err;
  EXPECT_TRUE(std::equal(reported.begin(), reported.end(), listed.begin())) << err;
  if (sig == SIGKILL || twice) {
    ASSERT_TRUE(WIFSIGNALED(status)) << err;
    EXPECT_EQ(WTERMSIG(status), sig);
  } else {
    // Stopped like Ctrl-C: the frame being drawn is finished, the count told.
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(WrittenCount(err, "已中止：写入 (\\d+) 个图廓"), static_cast<int>(listed.size())) << err;
    EXPECT_EQ(listed.size(), reported.size());
  }
  if (sig != SIGKILL) {
    EXPECT_FALSE(fs::exists(out + ".lock"));
  }

  const CliResult again = RunCli(IndexRun(out, {"--overwrite", "--where", "TFH = 'E45G085065'"}));
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(CompleteFrames(out), std::vector<std::string>{"E45G085065"});
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedRun,
                         ::testing::Values(Stop{".gdb", SIGKILL, false}, Stop{".gpkg", SIGKILL, false},
                                           Stop{".gdb", SIGTERM, false}, Stop{".gpkg", SIGHUP, false},
                                           Stop{".gdb", SIGINT, true}));

// A per-frame File GDB run killed at moments inside a frame (one takes some
// 20 ms): the next Tarvik open removes the half-written classes, which no
// GIS then lists.
class KilledPerFrameGdb : public ::testing::TestWithParam<int> {};

TEST_P(KilledPerFrameGdb, LeavesNoHalfFrameAfterTheNextOpen) {
  TempDir dir;
  const std::string out = dir / "out.gdb";
  CliProcess child(IndexRun(out));
  ASSERT_TRUE(child.readUntil("[2/")) << child.err();
  std::this_thread::sleep_for(std::chrono::milliseconds(3 * GetParam()));
  child.signal(SIGKILL);
  child.finish();
  const std::vector<std::string> reported = Reported(child.err());
  const std::vector<std::string> listed = CompleteFrames(out);
  ASSERT_GE(listed.size(), reported.size());
  EXPECT_TRUE(std::equal(reported.begin(), reported.end(), listed.begin()));
  EXPECT_FALSE(fs::exists(out + ".frame"));
  // No file is left that the store's catalog does not name: it can be
  // replaced.
  const CliResult again = RunCli(IndexRun(out, {"--overwrite", "--where", "TFH = 'E45G085065'"}));
  EXPECT_EQ(again.exitCode, 0) << again.err;
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledPerFrameGdb, ::testing::Range(0, 10));

// A GeoPackage killed inside a frame's transaction keeps SQLite's hot
// journal, which only a connection that may write rolls back: the next
// Tarvik open does that and says so, and read-only readers then read it.
TEST(KilledGeoPackage, HotJournalIsRolledBackByTheNextOpenWhichSaysSo) {
  if (!CliCanPreview()) GTEST_SKIP() << "this tarvik-cli has no preview (built without Qt)";

  TempDir dir;
  const std::string out = dir / "out.gpkg";
  std::string first;
  for (int attempt = 0; attempt < 12; ++attempt) {
    fs::remove(out);
    fs::remove(out + "-journal");
    CliProcess child(IndexRun(out, {"--no-project"}));
    ASSERT_TRUE(child.readUntil("[3/")) << child.err();
    std::this_thread::sleep_for(std::chrono::milliseconds(attempt));
    child.signal(SIGKILL);
    child.finish();
    first = Reported(child.err()).at(0);
    if (fs::exists(out + "-journal") && fs::file_size(out + "-journal") > 0) break;
  }
  if (!fs::exists(out + "-journal") || fs::file_size(out + "-journal") == 0)
    GTEST_SKIP() << "no kill left a hot journal";
  const CliResult r = RunCli({"preview", out, "-o", dir / "p.png", "--frame", first});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "上次的写入被中断")) << r.err;
  EXPECT_TRUE(!fs::exists(out + "-journal") || fs::file_size(out + "-journal") == 0);
  EXPECT_GE(CompleteFrames(out).size(), 3u);
}

TEST(OutputLockCli, ASecondRunOnTheSameOutputIsRefusedEvenWithOverwrite) {
  TempDir dir;
  const std::string out = dir / "out.gdb";
  CliProcess first(IndexRun(out));
  ASSERT_TRUE(first.readUntil("[2/")) << first.err();
  const CliResult second = RunCli(IndexRun(out, {"--overwrite"}));
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_TRUE(Contains(second.err, "正在被另一个程序写入")) << second.err;
  first.signal(SIGTERM);
  const int status = first.finish();
  ASSERT_TRUE(WIFEXITED(status)) << first.err();
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(static_cast<int>(CompleteFrames(out).size()),
            WrittenCount(first.err(), "已中止：写入 (\\d+) 个图廓"));
  EXPECT_FALSE(fs::exists(out + ".lock"));
}

// Frames of a DXF drawing: the layers of their outer frames.
int DrawnFrames(const std::string& dxf) {
  std::set<std::string> outer;
  const ReadStore drawing = ReadWithGdal(dxf);
  if (!drawing.has("entities")) return -1;
  for (const auto& f : drawing.layers.at("entities").features)
    if (const auto layer = f.fields.find("Layer");
        layer != f.fields.end() && Contains(layer->second, "_OUTER"))
      outer.insert(layer->second);
  return static_cast<int>(outer.size());
}

// A DXF run whose drawing cannot be written at the end (a folder took its
// name meanwhile) keeps its frames in its working store and says where.
TEST(DxfRun, ThatCannotWriteItsDrawingSaysWhereItsFramesAre) {
  TempDir dir;
  const std::string out = dir / "survey.dxf";
  // The run is held while a folder takes the drawing's name, so that it can
  // only fail at its end, when the drawing is written.
  CliProcess child(SharedRun(out));
  ASSERT_TRUE(child.readUntil("[2/")) << child.err();
  child.signal(SIGSTOP);
  fs::create_directory(out);
  child.signal(SIGCONT);
  const int status = child.finish();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << child.err();
  std::smatch kept;
  const std::string err = child.err();
  ASSERT_TRUE(std::regex_search(err, kept, std::regex("此前完成的 (\\d+) 个图廓保留在 (\\S+)"))) << err;
  EXPECT_NE(kept[2], out);
  std::vector<std::string> listed;
  const OutputReader reader(kept[2]);
  for (const FrameInfo& f : reader.frames()) listed.push_back(f.frame);
  EXPECT_EQ(static_cast<int>(listed.size()), std::stoi(kept[1]));
  CheckSharedFrames(kept[2], listed);
  EXPECT_EQ(std::stoi(kept[1]), 1200);
  EXPECT_TRUE(fs::is_empty(out)) << "the folder is left alone";
}

// kind, layout, megabytes of the disk
using DiskRun = std::tuple<const char*, const char*, int>;
class FullDisk : public ::testing::TestWithParam<DiskRun> {};

TEST_P(FullDisk, EndsTheRunSayingSoAndKeepsTheCompleteFrames) {
  const auto [kind, layout, megabytes] = GetParam();
  const bool shared = std::string(layout) == "shared";
  const bool dxf = std::string(kind) == ".dxf";
  TempDir dir;
  const SmallDisk disk(dir / "disk", megabytes);
  if (!disk.mounted()) GTEST_SKIP() << "needs root to mount a small tmpfs";
  const std::string out = dir / (std::string("disk/out") + kind);
  // The shared layout is compact: 150 sheets fit the disk, 1200 do not.
  const CliResult r = RunCli(shared ? SharedRun(out) : IndexRun(out));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_TRUE(Contains(r.err, "磁盘已满")) << r.err;
  std::smatch kept;
  const bool some = std::regex_search(r.err, kept, std::regex("此前完成的 (\\d+) 个图廓保留在 (\\S+)"));
  EXPECT_TRUE(some || Contains(r.err, "没有完成的图廓")) << r.err;
  const int complete = some ? std::stoi(kept[1]) : 0;
  EXPECT_LT(complete, shared ? 1200 : 150);
  EXPECT_EQ(static_cast<int>(Reported(r.err).size()), complete);
  if (dxf) {
    // The frames are where the message says: in the drawing, made from the
    // frames its working store held when the disk filled, or, when the
    // drawing could not be written either, in that store.
    ASSERT_TRUE(some) << r.err;
    if (kept[2] == out) {
      EXPECT_EQ(DrawnFrames(out), complete);
    } else {
      // The working store holds the frames in the shared layout.
      EXPECT_FALSE(fs::exists(out));
      std::vector<std::string> listed;
      const OutputReader reader(kept[2]);
      for (const FrameInfo& f : reader.frames()) listed.push_back(f.frame);
      EXPECT_EQ(static_cast<int>(listed.size()), complete) << kept[2];
      CheckSharedFrames(kept[2], listed);
    }
    return;
  }
  if (complete > 0) {
    EXPECT_EQ(kept[2], out);
  }
  if (!shared) {
    EXPECT_EQ(static_cast<int>(CompleteFrames(out).size()), complete);
    return;
  }
  // The shared classes hold the frames the catalog lists, each whole, and
  // nothing of any other; nothing of a checkpoint is left.
  std::vector<std::string> listed;
  const OutputReader reader(out);
  for (const FrameInfo& f : reader.frames()) listed.push_back(f.frame);
  EXPECT_EQ(static_cast<int>(listed.size()), complete);
  CheckSharedFrames(out, listed);
  for (const auto& entry : fs::directory_iterator(dir / "disk"))
    EXPECT_FALSE(Contains(entry.path().filename().string(), "checkpoint")) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Kinds, FullDisk,
                         ::testing::Values(DiskRun{".gdb", "per-frame", 2}, DiskRun{".gpkg", "per-frame", 2},
                                           DiskRun{".dxf", "shared", 2}, DiskRun{".gpkg", "shared", 2},
                                           DiskRun{".gdb", "shared", 1}, DiskRun{".gdb", "shared", 2},
                                           DiskRun{".gdb", "shared", 3}, DiskRun{".gdb", "shared", 5},
                                           DiskRun{".gdb", "shared", 8}));

TEST(RefusedElements, AreCountedAndTheRunFails) {
  TempDir dir;
  // A frame gap of 10 m on paper puts the outer frame and its texts far
  // outside the coordinate domain of the sheet.
  const CliResult r = RunCli({"sheet", "E45G095066", "-o", dir / "r.gpkg", "--set", "senw=100000"});
  EXPECT_EQ(r.exitCode, 1);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m,
                                std::regex("(\\d+) 条线, (\\d+) 个面, (\\d+) 个注记; (\\d+) 个要素保存失败")))
      << r.out;
  std::size_t refusals = 0;
  for (std::size_t at = r.err.find("保存失败\n"); at != std::string::npos;
       at = r.err.find("保存失败\n", at + 1))
    ++refusals;
  EXPECT_GT(refusals, 0u);
  EXPECT_EQ(std::stoul(m[4]), refusals);
  const Sizes stored = SizesOf(ReadWithGdal(dir / "r.gpkg")).at("E45G095066");
  EXPECT_EQ(stored, (Sizes{std::stoul(m[1]), std::stoul(m[2]), std::stoul(m[3])}));
}

}  // namespace
}  // namespace tarvik::test
