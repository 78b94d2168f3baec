// What a run leaves on disk when it does not end normally, read back with
// GDAL: killed or stopped by a signal, a second run on the same output, a
// full disk, elements the store refuses. Every frame the run reported, or
// that the catalog lists, must be complete; the counts the run prints must
// be what a reader finds.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>
#include <tuple>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "gdb/output_reader.h"
#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Sizes {
  std::size_t lines = 0, polygons = 0, texts = 0;
  bool operator==(const Sizes&) const = default;
};

std::map<std::string, Sizes> SizesOf(const ReadStore& store) {
  std::map<std::string, Sizes> out;
  for (const auto& [name, layer] : store.layers) {
    if (name.size() < 3 || name[1] != '_') continue;
    Sizes& s = out[name.substr(2)];
    (name[0] == 'L' ? s.lines : name[0] == 'p' ? s.polygons : s.texts) = layer.features.size();
  }
  return out;
}

// An index of 150 sheets and what an uninterrupted run writes for each.
struct Shared {
  TempDir dir;
  std::string index = dir / "many.shp";
  std::map<std::string, Sizes> reference;
  Shared() {
    EXPECT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "88.625", "16.625", "-o", index})
                  .exitCode,
              0);
    EXPECT_EQ(RunCli({"index", index, "-o", dir / "ref.gpkg", "--name-template", "[TFH]"}).exitCode, 0);
    reference = SizesOf(ReadWithGdal(dir / "ref.gpkg"));
    EXPECT_EQ(reference.size(), 150u);
  }
};

const Shared& Data() {
  static const Shared shared;
  return shared;
}

std::vector<std::string> IndexRun(const std::string& output, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"index", Data().index, "-o", output, "--name-template", "[TFH]", "--verbose"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The frames the run reported done ("[k/N] NAME" lines), in order.
std::vector<std::string> Reported(const std::string& err) {
  std::vector<std::string> names;
  static const std::regex line(R"(\[\d+/\d+\] (\S+)\n)");
  for (auto it = std::sregex_iterator(err.begin(), err.end(), line); it != std::sregex_iterator(); ++it)
    names.push_back((*it)[1]);
  return names;
}

// The frames the catalog of the output lists; each must be complete, as GDAL
// reads it, and (unless the writer was killed in the middle of a File GDB
// frame, whose classes then stay behind unlisted) no other frame holds
// features.
std::vector<std::string> CompleteFrames(const std::string& output, bool onlyListed = true) {
  std::vector<std::string> listed;
  const OutputReader reader(output);
  for (const FrameInfo& f : reader.frames()) listed.push_back(f.frame);
  const auto found = SizesOf(ReadWithGdal(output));
  for (const std::string& name : listed) {
    EXPECT_TRUE(found.count(name) && found.at(name) == Data().reference.at(name)) << name << " is incomplete";
  }
  for (const auto& [name, sizes] : found) {
    if (onlyListed && (sizes.lines > 0 || sizes.texts > 0)) {
      EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name << " is written but not listed";
    }
  }
  return listed;
}

int WrittenCount(const std::string& err, const char* pattern) {
  std::smatch m;
  if (!std::regex_search(err, m, std::regex(pattern))) return -1;
  return std::stoi(m[1]);
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
  const std::vector<std::string> listed = CompleteFrames(out, sig != SIGKILL || std::string(kind) == ".gpkg");
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

// Features per frame of a shared-layout output, counted by GDAL from the
// frame names alone (a thousand frames read whole would take seconds).
std::map<std::string, Sizes> SharedSizesOf(const std::string& output) {
  std::map<std::string, Sizes> out;
  GDALAllRegister();
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(output.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!ds) {
    ADD_FAILURE() << "GDAL cannot open " << output;
    return out;
  }
  for (const char* name : {"L_frames", "p_frames", "a_frames"}) {
    OGRLayer* layer = ds->GetLayerByName(name);
    if (!layer) continue;
    const char* ignored[] = {"OGR_GEOMETRY", nullptr};
    layer->SetIgnoredFields(ignored);
    for (auto& f : *layer) {
      Sizes& s = out[f->GetFieldAsString("FrameName")];
      ++(name[0] == 'L' ? s.lines : name[0] == 'p' ? s.polygons : s.texts);
    }
  }
  return out;
}

// An index of 1200 sheets and what a shared-layout run writes for each.
struct SheetBlock {
  TempDir data;
  std::string index = data / "block.shp";
  std::map<std::string, Sizes> reference;
  SheetBlock() {
    EXPECT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "89.5625", "18", "-o", index}).exitCode,
              0);
    EXPECT_EQ(RunCli({"index", index, "-o", data / "ref.gpkg", "--name-template", "[TFH]", "--layout", "shared",
                      "--no-project"})
                  .exitCode,
              0);
    reference = SharedSizesOf(data / "ref.gpkg");
  }
};

const SheetBlock& Block() {
  static const SheetBlock block;
  return block;
}

// A shared-layout run writes frames in batches of a quarter of a second or
// more and tells them done once their batch is on disk: a run killed after
// its first report keeps every frame it told, complete, and lists no other.
// The index is large enough that the run is still going when it is killed.
// On a File GDB the shared classes are written in place: a run killed in
// the middle of a batch (or of its close) leaves them as GDAL cannot read
// them until the next program that opens the output (here the reader) puts
// them back as the last batch left them.
// kind, milliseconds from the first report to the kill
using Kill = std::tuple<const char*, int>;
class KilledSharedRun : public ::testing::TestWithParam<Kill> {};

TEST_P(KilledSharedRun, KeepsEveryReportedFrameComplete) {
  const auto [kind, delay] = GetParam();
  const std::string& index = Block().index;
  const std::map<std::string, Sizes>& reference = Block().reference;
  ASSERT_EQ(reference.size(), 1200u);
  TempDir dir;
  const std::string out = dir / (std::string("out") + kind);
  CliProcess child(
      {"index", index, "-o", out, "--name-template", "[TFH]", "--verbose", "--layout", "shared", "--no-project"});
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(child.readUntil("[1/")) << child.err();
  std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  child.signal(SIGKILL);
  const int status = child.finish();
  if (delay > 0 && !WIFSIGNALED(status)) GTEST_SKIP() << "the run ended before it was killed";
  ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it was killed";
  const std::vector<std::string> reported = Reported(child.err());
  std::vector<std::string> listed;
  const OutputReader reader(out);
  for (const FrameInfo& f : reader.frames()) listed.push_back(f.frame);
  ASSERT_GE(reported.size(), 1u);
  ASSERT_GE(listed.size(), reported.size());
  if (delay == 0) {
    EXPECT_LT(listed.size(), reference.size());
  }
  EXPECT_TRUE(std::equal(reported.begin(), reported.end(), listed.begin()));
  EXPECT_FALSE(fs::exists(out + ".checkpoint"));  // the reader put the store back and removed it
  const auto found = SharedSizesOf(out);
  for (const std::string& name : listed)
    EXPECT_TRUE(found.count(name) && found.at(name) == reference.at(name))
        << name << " is incomplete: " << (found.count(name) ? found.at(name).lines : 0) << " "
        << (found.count(name) ? found.at(name).polygons : 0) << " " << (found.count(name) ? found.at(name).texts : 0) << " of "
        << reference.at(name).lines << " " << reference.at(name).polygons << " " << reference.at(name).texts;
  for (const auto& [name, sizes] : found)
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name << " is written but not listed";
}

INSTANTIATE_TEST_SUITE_P(Kinds, KilledSharedRun,
                         ::testing::Values(Kill{".gdb", 0}, Kill{".gpkg", 0}, Kill{".gdb", 40}, Kill{".gdb", 90}));

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
  EXPECT_EQ(static_cast<int>(CompleteFrames(out).size()), WrittenCount(first.err(), "已中止：写入 (\\d+) 个图廓"));
  EXPECT_FALSE(fs::exists(out + ".lock"));
}

// A tmpfs of two megabytes mounted for the test (root only).
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& at) : at_(at) {
    fs::create_directories(at);
    mounted_ = geteuid() == 0 && mount("tarvik-test", at.c_str(), "tmpfs", 0, "size=2m") == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(at_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string at_;
  bool mounted_ = false;
};

// kind, layout
using DiskRun = std::tuple<const char*, const char*>;
class FullDisk : public ::testing::TestWithParam<DiskRun> {};

TEST_P(FullDisk, EndsTheRunSayingSoAndKeepsTheCompleteFrames) {
  const auto [kind, layout] = GetParam();
  const bool shared = std::string(layout) == "shared";
  TempDir dir;
  const SmallDisk disk(dir / "disk");
  if (!disk.mounted()) GTEST_SKIP() << "needs root to mount a small tmpfs";
  const std::string out = dir / (std::string("disk/out") + kind);
  // The shared layout is compact: 150 sheets fit the disk, 1200 do not.
  const CliResult r = RunCli(
      shared ? std::vector<std::string>{"index", Block().index, "-o", out, "--name-template", "[TFH]", "--verbose",
                                        "--layout", "shared", "--no-project"}
             : IndexRun(out));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_TRUE(Contains(r.err, "磁盘已满")) << r.err;
  const int complete = WrittenCount(r.err, "此前完成的 (\\d+) 个图廓");
  EXPECT_GT(complete, 0) << r.err;
  EXPECT_LT(complete, shared ? 1200 : 150);
  EXPECT_EQ(static_cast<int>(Reported(r.err).size()), complete);
  if (!shared) {
    EXPECT_EQ(static_cast<int>(CompleteFrames(out).size()), complete);
    return;
  }
  // The shared classes hold the frames the catalog lists, each whole, and
  // nothing of any other.
  std::vector<std::string> listed;
  const OutputReader reader(out);
  for (const FrameInfo& f : reader.frames()) listed.push_back(f.frame);
  EXPECT_EQ(static_cast<int>(listed.size()), complete);
  const auto found = SharedSizesOf(out);
  EXPECT_EQ(found.size(), listed.size()) << r.err;
  for (const std::string& name : listed)
    EXPECT_TRUE(found.count(name) && found.at(name) == Block().reference.at(name)) << name << " is incomplete";
}

INSTANTIATE_TEST_SUITE_P(Kinds, FullDisk,
                         ::testing::Values(DiskRun{".gdb", "per-frame"}, DiskRun{".gpkg", "per-frame"},
                                           DiskRun{".gdb", "shared"}, DiskRun{".gpkg", "shared"}));

TEST(RefusedElements, AreCountedAndTheRunFails) {
  TempDir dir;
  // A frame gap of 10 m on paper puts the outer frame and its texts far
  // outside the coordinate domain of the sheet.
  const CliResult r = RunCli({"sheet", "E45G095066", "-o", dir / "r.gpkg", "--set", "senw=100000"});
  EXPECT_EQ(r.exitCode, 1);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("(\\d+) 条线, (\\d+) 个面, (\\d+) 个注记; (\\d+) 个要素保存失败")))
      << r.out;
  std::size_t refusals = 0;
  for (std::size_t at = r.err.find("保存失败\n"); at != std::string::npos; at = r.err.find("保存失败\n", at + 1))
    ++refusals;
  EXPECT_GT(refusals, 0u);
  EXPECT_EQ(std::stoul(m[4]), refusals);
  const Sizes stored = SizesOf(ReadWithGdal(dir / "r.gpkg")).at("E45G095066");
  EXPECT_EQ(stored, (Sizes{std::stoul(m[1]), std::stoul(m[2]), std::stoul(m[3])}));
}

}  // namespace
}  // namespace tarvik::test
