// The shared layout killed at any moment, and what is left beside a File
// GDB when that is not the checkpoint of its own last run: damaged, cut
// short, stale, of another store. Read back with GDAL after the next Tarvik
// open: every frame reported is whole, nothing unreported is listed, and a
// checkpoint that cannot be trusted is never applied.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>
#include <tuple>

#include "cli/durability_support.h"
#include "common/text_util.h"
#include "gdb/fdb_index_list.h"
#include "gdb/gdal_handles.h"
#include "gdb/output_layout.h"
#include "gdb/output_reader.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Moments a run is killed at; TARVIK_KILL_MOMENTS sets another number (a
// longer trial than the suite's).
int Moments() {
  static const int moments = [] {
    const char* given = std::getenv("TARVIK_KILL_MOMENTS");
    return given && std::atoi(given) > 1 ? std::atoi(given) : 20;
  }();
  return moments;
}

// Milliseconds from a shared run's first report to its end, per kind:
// measured once per build, kept beside the block.
double RunLength(const std::string& kind) {
  const std::string file = Block().folder + "/length" + kind;
  double length = 0;
  if (std::ifstream in(file); in >> length && length > 0) return length;
  TempDir dir;
  CliProcess child(SharedRun(dir / ("out" + kind)));
  EXPECT_TRUE(child.readUntil("[1/")) << child.err();
  const auto start = Clock::now();
  child.finish();
  length = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  WriteFile(file + ".tmp" + std::to_string(getpid()), std::to_string(length));
  fs::rename(file + ".tmp" + std::to_string(getpid()), file);
  return length;
}

std::vector<std::string> Listed(const std::string& output) {
  std::vector<std::string> listed;
  const OutputReader reader(output);
  for (const FrameInfo& f : reader.frames()) listed.push_back(f.frame);
  return listed;
}

// Anything of a checkpoint beside the output.
std::vector<std::string> CheckpointFiles(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder))
    if (Contains(entry.path().filename().string(), "checkpoint"))
      found.push_back(entry.path().filename().string());
  return found;
}

// A File GDB put back after a kill has the spatial index of every shared
// class, and the index finds every feature.
void ExpectSpatialIndexes(const std::string& gdb) {
  const auto stems = detail::FdbTableStems(gdb);
  gdal::DatasetPtr ds(
      GDALDataset::FromHandle(GDALOpenEx(gdb.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr)));
  ASSERT_TRUE(ds);
  for (const char* cls : {kSharedLineClass, kSharedPolygonClass, kSharedTextClass}) {
    OGRLayer* layer = ds->GetLayerByName(cls);
    ASSERT_TRUE(layer && stems.count(ToUpperAscii(cls))) << cls;
    const GIntBig all = layer->GetFeatureCount(TRUE);
    if (all == 0) continue;
    EXPECT_TRUE(detail::HasSpatialIndexFile(gdb, stems.at(ToUpperAscii(cls)))) << cls;
    layer->SetSpatialFilterRect(-1e8, -1e8, 1e8, 1e8);
    EXPECT_EQ(layer->GetFeatureCount(TRUE), all) << cls;
  }
}

// kind, moment (of Moments() spread over the run from its first report to
// its end, the close included)
using Kill = std::tuple<const char*, int>;
class KilledSharedRun : public ::testing::TestWithParam<Kill> {};

TEST_P(KilledSharedRun, KeepsEveryReportedFrameWholeAndListsNoOther) {
  const auto [kind, moment] = GetParam();
  ASSERT_EQ(Block().reference.size(), 1200u);
  const double delay = RunLength(kind) * moment / (Moments() - 1);
  TempDir dir;
  const std::string out = dir / (std::string("out") + kind);
  CliProcess child(SharedRun(out));
  ASSERT_TRUE(child.readUntil("[1/")) << child.err();
  std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(delay * 1000)));
  child.signal(SIGKILL);
  const int status = child.finish();
  const std::vector<std::string> reported = Reported(child.err());
  const std::vector<std::string> listed = Listed(out);  // the reader puts the store back first
  if (!WIFSIGNALED(status)) {
    // Ended before the kill: whole, and nothing of a checkpoint is left.
    EXPECT_EQ(listed.size(), 1200u) << child.err();
    EXPECT_TRUE(CheckpointFiles(dir.path()).empty());
  }
  ASSERT_GE(reported.size(), 1u);
  ASSERT_GE(listed.size(), reported.size());
  EXPECT_TRUE(std::equal(reported.begin(), reported.end(), listed.begin()));
  EXPECT_TRUE(CheckpointFiles(dir.path()).empty())
      << "the reader put the store back and dropped its checkpoint";
  CheckSharedFrames(out, listed);
  if (std::string(kind) == ".gdb") ExpectSpatialIndexes(out);
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledSharedRun,
                         ::testing::Combine(::testing::Values(".gdb", ".gpkg"),
                                            ::testing::Range(0, Moments())));

// A shared File GDB run killed right after its first report: the store is
// in the middle of a batch and its checkpoint holds the batch before. The
// store, and the first frame reported.
struct Killed {
  std::string out, first;
};

Killed KilledStore(const TempDir& dir, const std::string& name) {
  const std::string out = dir / name;
  CliProcess child(SharedRun(out));
  EXPECT_TRUE(child.readUntil("[1/")) << child.err();
  child.signal(SIGKILL);
  EXPECT_TRUE(WIFSIGNALED(child.finish()));
  EXPECT_TRUE(fs::is_directory(out + ".checkpoint"));
  const std::vector<std::string> reported = Reported(child.err());
  return {out, reported.empty() ? std::string() : reported.front()};
}

// The sheets of the block whose numbers begin so.
std::size_t SheetsBeginning(const std::string& prefix) {
  std::size_t n = 0;
  for (const auto& [name, sizes] : Block().reference) n += name.rfind(prefix, 0) == 0;
  return n;
}

// Every file of the store, by name, with its content.
std::map<std::string, std::string> Files(const std::string& store) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(store))
    files[entry.path().filename().string()] = ReadFile(entry.path().string());
  return files;
}

void Truncate(const fs::path& file, double share) {
  fs::resize_file(file, static_cast<std::uintmax_t>(static_cast<double>(fs::file_size(file)) * share));
}

// The first copied file of a checkpoint, as its manifest lists them.
fs::path FirstCopy(const fs::path& checkpoint) {
  for (const auto& entry : fs::directory_iterator(checkpoint))
    if (entry.path().filename().string().rfind("a0000", 0) == 0) return entry.path();
  return {};
}

struct Damage {
  const char* name;
  const char* reason;  // part of the refusal
  std::function<void(const fs::path& checkpoint)> apply;
};

class DamagedCheckpoint : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedCheckpoint, IsSetAsideTheStoreKeptAsItIsAndOverwriteRemovesBoth) {
  if (!CliCanPreview()) GTEST_SKIP() << "this tarvik-cli has no preview (built without Qt)";

  const Damage& damage = GetParam();
  TempDir dir;
  const auto [out, first] = KilledStore(dir, "out.gdb");
  damage.apply(out + ".checkpoint");
  const auto before = Files(out);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const CliResult r = RunCli({"preview", out, "-o", dir / "p.png", "--frame", first});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_TRUE(Contains(r.err, "不能用来恢复") && Contains(r.err, damage.reason)) << r.err;
    EXPECT_TRUE(Contains(r.err, "GDAL")) << "says what can be trusted: " << r.err;
    EXPECT_TRUE(Contains(r.err, "--overwrite") && Contains(r.err, out + ".checkpoint-unused")) << r.err;
  }
  EXPECT_EQ(Files(out), before) << "the store is left as it is";
  EXPECT_EQ(CheckpointFiles(dir.path()), std::vector<std::string>{"out.gdb.checkpoint-unused"});
  // Replaced: both go, and the run says so.
  const CliResult again = RunCli(SharedRun(out, {"--overwrite", "--where", "TFH LIKE 'E45G0490%'"}));
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_TRUE(Contains(again.err, "不能用来恢复的检查点")) << again.err;
  EXPECT_TRUE(CheckpointFiles(dir.path()).empty());
  CheckSharedFrames(out, Listed(out));
  EXPECT_EQ(Listed(out).size(), SheetsBeginning("E45G0490"));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedCheckpoint,
    ::testing::Values(
        Damage{"EmptyManifest", "清单", [](const fs::path& c) { fs::resize_file(c / "manifest", 0); }},
        Damage{"HalfAManifest", "清单", [](const fs::path& c) { Truncate(c / "manifest", 0.5); }},
        Damage{"GarbageManifest", "清单",
               [](const fs::path& c) { WriteFile(c / "manifest", std::string(300, '\x9c') + "\nend 12\n"); }},
        Damage{"ManifestRemoved", "没有清单", [](const fs::path& c) { fs::remove(c / "manifest"); }},
        Damage{"ListedFileMissing", "缺失或已损坏", [](const fs::path& c) { fs::remove(FirstCopy(c)); }},
        Damage{"CopyCutShort", "缺失或已损坏", [](const fs::path& c) { Truncate(FirstCopy(c), 0.5); }},
        Damage{"PlainFile", "不是检查点文件夹",
               [](const fs::path& c) {
                 fs::remove_all(c);
                 WriteFile(c, "checkpoint");
               }}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

// What a kill leaves while one checkpoint replaces another, or while the
// last is dropped, is no damage: the store is put back (or left, once it was
// closed whole) and opens.
struct Moment {
  const char* name;
  std::function<void(const std::string& out)> apply;
};

class CheckpointReplaced : public ::testing::TestWithParam<Moment> {};

TEST_P(CheckpointReplaced, IsUsedAndRemoved) {
  if (!CliCanPreview()) GTEST_SKIP() << "this tarvik-cli has no preview (built without Qt)";

  TempDir dir;
  const auto [out, first] = KilledStore(dir, "out.gdb");
  GetParam().apply(out);
  const CliResult r = RunCli({"preview", out, "-o", dir / "p.png", "--frame", first});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(CheckpointFiles(dir.path()).empty());
  CheckSharedFrames(out, Listed(out));
}

INSTANTIATE_TEST_SUITE_P(
    Moments, CheckpointReplaced,
    ::testing::Values(
        // Renamed away, the new one not yet in place.
        Moment{"OldOnly",
               [](const std::string& out) { fs::rename(out + ".checkpoint", out + ".checkpoint.old"); }},
        // A newer one begun, without its manifest.
        Moment{"NewUnfinished",
               [](const std::string& out) {
                 fs::create_directory(out + ".checkpoint.new");
                 WriteFile(out + ".checkpoint.new/a00000001.gdbtable", "half");
               }},
        // A drop of an earlier run's checkpoint, cut short.
        Moment{"DropLeftBehind",
               [](const std::string& out) {
                 fs::create_directory(out + ".checkpoint.drop");
                 WriteFile(out + ".checkpoint.drop/manifest", "x");
               }}),
    [](const ::testing::TestParamInfo<Moment>& info) { return std::string(info.param.name); });

// A checkpoint beside a store it was not made for (moved there, or left
// by a run on a store since replaced) is never applied: 12 frames of a
// shared or a per-frame store stay the 12 frames.
class StaleCheckpoint : public ::testing::TestWithParam<const char*> {};

TEST_P(StaleCheckpoint, IsNeverAppliedToAnotherStore) {
  if (!CliCanPreview()) GTEST_SKIP() << "this tarvik-cli has no preview (built without Qt)";

  TempDir dir;
  const Killed killed = KilledStore(dir, "killed.gdb");
  const std::string out = dir / "other.gdb";
  ASSERT_EQ(RunCli({"index", Block().index, "-o", out, "--name-template", "[TFH]", "--layout", GetParam(),
                    "--no-project", "--where", "TFH LIKE 'E45G0490%'"})
                .exitCode,
            0);
  const auto before = Files(out);
  fs::rename(killed.out + ".checkpoint", out + ".checkpoint");
  const CliResult r = RunCli({"preview", out, "-o", dir / "p.png", "--frame", "E45G049065"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_TRUE(Contains(r.err, "不是为现在的other.gdb保存的")) << r.err;
  const std::string all = std::to_string(SheetsBeginning("E45G0490"));
  EXPECT_TRUE(Contains(r.err, "GDAL能完整读出其中的 " + all + " 个图廓（共列出 " + all + " 个）")) << r.err;
  EXPECT_EQ(Files(out), before);
  EXPECT_TRUE(fs::is_directory(out + ".checkpoint-unused"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, StaleCheckpoint, ::testing::Values("shared", "per-frame"));

// A File GDB is written in place: while a run writes it, our readers say so
// instead of reading a batch half written; a GeoPackage is read as its last
// transaction left it.
TEST(ReadDuringARun, FileGdbIsRefusedAsBeingWrittenGeoPackageShowsTheLastBatch) {
  if (!CliCanPreview()) GTEST_SKIP() << "this tarvik-cli has no preview (built without Qt)";

  for (const std::string kind : {".gdb", ".gpkg"}) {
    TempDir dir;
    const std::string out = dir / ("out" + kind);
    CliProcess child(SharedRun(out));
    ASSERT_TRUE(child.readUntil("[1/")) << child.err();
    const std::string first = Reported(child.err()).at(0);
    int refused = 0, read = 0;
    for (int i = 0; i < 3; ++i) {
      const CliResult r = RunCli({"preview", out, "-o", dir / "p.png", "--frame", first});
      if (r.exitCode == 0) {
        ++read;
      } else {
        ++refused;
        EXPECT_TRUE(Contains(r.err, "正在被另一个程序写入")) << kind << ": " << r.err;
      }
    }
    const int status = child.finish();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << child.err();
    if (kind == ".gpkg") {
      EXPECT_EQ(read, 3);
    } else {
      EXPECT_GT(refused, 0) << "the run ended before it was read";
    }
  }
}

}  // namespace
}  // namespace tarvik::test
