// The run sequence every front end calls: the rules a plan applies to what a
// request leaves open, what it refuses before the output is touched, and
// what a stopped run and a DXF run of the shared layout leave.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "gdb/output_lock.h"
#include "run/run_execute.h"
#include "run/run_plan.h"
#include "support/gdal_readback.h"
#include "support/test_shapefile.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

RunRequest SheetRequest(const std::string& number, const std::string& output) {
  RunRequest r;
  r.mode = CreationMode::SheetNumber;
  r.sheetNumber = number;
  r.output = output;
  return r;
}

RunRequest IndexRequest(const std::string& index, const std::string& output) {
  RunRequest r;
  r.mode = CreationMode::SheetIndex;
  r.inputPath = index;
  r.nameTemplate = "[TFH]";
  r.output = output;
  return r;
}

void MakeIndex(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"make-index"};
  all.insert(all.end(), args.begin(), args.end());
  const test::CliResult r = test::RunCli(all);
  ASSERT_EQ(r.exitCode, 0) << r.err;
}

bool HasNote(const RunPlan& plan, const std::string& piece) {
  for (const std::string& n : plan.notes)
    if (n.find(piece) != std::string::npos) return true;
  return false;
}

TEST(RunPlan, DecidesWhatTheRequestLeavesOpen) {
  test::TempDir dir;
  MakeIndex({"--scale", "50000", "--bbox", "116.1", "39.1", "116.4", "39.2", "--datum", "cgcs2000", "-o",
             dir / "50k.shp"});
  MakeIndex({"--scale", "10000", "--bbox", "89.0", "39.0", "89.1", "39.05", "--datum", "cgcs2000",
             "--geographic", "-o", dir / "geo.shp"});
  struct Case {
    const char* what;
    std::function<RunRequest()> request;
    long double meridian;
    long scale;
    const char* note;  // a piece of a note the plan must make, or ""
  };
  const Case cases[] = {
      {"6-degree sheet: the zone of its west edge",
       [&] {
         RunRequest r = SheetRequest("J46G001017", dir / "a.gpkg");
         r.coords.is3DegreeZone = false;
         return r;
       },
       93, 10000, "图幅西边所在的6度带"},
      {"a typed scale other than the number's is not used, and said",
       [&] {
         RunRequest r = SheetRequest("J-50-5", dir / "a.gpkg");
         r.scale = "1:5万";
         return r;
       },
       117, 100000, "所填的1:5万不用"},
      {"a stated meridian is kept",
       [&] {
         RunRequest r = SheetRequest("E45G095066", dir / "a.gpkg");
         r.coords.centralMeridian = 88;
         return r;
       },
       88, 10000, ""},
      {"an index's numbers name its scale", [&] { return IndexRequest(dir / "50k.shp", dir / "a.gpkg"); },
       117, 50000, "按图幅号为1:5万"},
      {"an index's sheet size names it without numbers",
       [&] {
         RunRequest r = IndexRequest(dir / "50k.shp", dir / "a.gpkg");
         r.nameTemplate = "[FID]";
         return r;
       },
       117, 50000, "按图幅大小为1:5万"},
      {"a geographic index: the zone of its centre",
       [&] { return IndexRequest(dir / "geo.shp", dir / "a.gpkg"); }, 90, 10000, "数据中心所在的3度带"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RunPlan plan = PlanRun(c.request());
    EXPECT_EQ(plan.settings.centralMeridian, c.meridian);
    EXPECT_EQ(std::lround(static_cast<double>(plan.settings.ScaleFactor * 10000)), c.scale);
    if (*c.note) {
      EXPECT_TRUE(HasNote(plan, c.note)) << (plan.notes.empty() ? "" : plan.notes.front());
    }
    EXPECT_FALSE(fs::exists(dir / "a.gpkg")) << "a plan writes nothing";
  }
}

TEST(RunPlan, RefusesBeforeTheOutputIsTouched) {
  test::TempDir dir;
  MakeIndex({"--scale", "50000", "--bbox", "116.1", "39.1", "116.4", "39.2", "--datum", "cgcs2000", "-o",
             dir / "50k.shp"});
  test::WriteTestShapefile(dir / "bare.shp", 0, {"NAME"},
                           {{{{"NAME", "a"}}, {test::Rectangle(400000, 4300000, 410000, 4310000)}}});
  RecordingFeedback quiet;
  ExecuteRun(PlanRun(SheetRequest("E45G095066", dir / "held.gdb")), ExistingOutput::Refuse, quiet);
  ExecuteRun(PlanRun(SheetRequest("E45G095066", dir / "free.gdb")), ExistingOutput::Refuse, quiet);
  const OutputLock otherRun = OutputLock::Acquire(dir / "held.gdb");
  struct Case {
    const char* what;
    std::function<RunRequest()> request;
    const char* refusal;
  };
  const Case cases[] = {
      {"a stated scale the index's sheets are not of",
       [&] {
         RunRequest r = IndexRequest(dir / "50k.shp", dir / "a.gpkg");
         r.nameTemplate = "[FID]";
         r.scale = "10000";
         return r;
       },
       "请把比例尺设为50000"},
      {"an input without a system, not described",
       [&] {
         RunRequest r;
         r.mode = CreationMode::PolygonFile;
         r.inputPath = dir / "bare.shp";
         r.nameTemplate = "[NAME]";
         r.output = dir / "a.gpkg";
         return r;
       },
       "没有定义坐标系统"},
      {"a rectangular number without its system",
       [&] {
         RunRequest r = SheetRequest("3810.40-500.75", dir / "a.gpkg");
         r.scale = "500";
         return r;
       },
       "不含经纬度"},
      {"an output another run writes", [&] { return SheetRequest("J-50-5", dir / "held.gdb"); },
       "正在被另一个程序写入"},
      {"frames added to a File Geodatabase",
       [&] {
         RunRequest r = SheetRequest("J-50-5", dir / "free.gdb");
         r.existing = ExistingOutput::Append;
         return r;
       },
       "只能把图廓加入GeoPackage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      PlanRun(c.request());
      ADD_FAILURE() << "not refused";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(dir / "a.gpkg"));
  }
}

// A sheet too far from the run's meridian is refused with what would hold
// it, and what is suggested is then accepted: 1:1 000 000 and 1:500 000
// sheets fit no 3-degree zone at all (6 and 3 degrees wide, edges on
// multiples of 3), so the suggestion there is a 6-degree zone.
TEST(RunPlan, ReachRefusalsSuggestWhatIsThenAccepted) {
  test::TempDir dir;
  struct Case {
    const char* number;
    bool is3Degree;
    std::optional<int> meridian;
    const char* suggestion;
    bool suggested3Degree;
    int suggestedMeridian;
  };
  const Case cases[] = {
      {"J50", true, std::nullopt, "建议改用6度带（中央经线 117）", false, 117},
      {"J50", true, 117, "建议改用6度带（中央经线 117）", false, 117},
      {"J-50-A", true, std::nullopt, "建议改用6度带（中央经线 117）", false, 117},
      {"J50B001002", true, 120, "建议改用6度带（中央经线 117）", false, 117},
      {"K51B001001", true, std::nullopt, "建议改用6度带（中央经线 123）", false, 123},
      {"E45G095066", true, 120, "建议中央经线 87", true, 87},
      {"J50G001001", false, 123, "建议中央经线 117", false, 117},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    RunRequest r = SheetRequest(c.number, dir / "a.gpkg");
    r.coords.is3DegreeZone = c.is3Degree;
    r.coords.centralMeridian = c.meridian;
    try {
      PlanRun(r);
      ADD_FAILURE() << "not refused";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(c.suggestion), std::string::npos) << e.what();
    }
    r.coords.is3DegreeZone = c.suggested3Degree;
    r.coords.centralMeridian = c.suggestedMeridian;
    const RunPlan plan = PlanRun(r);
    EXPECT_EQ(plan.settings.centralMeridian, c.suggestedMeridian);
  }
}

// The reach is judged sheet by sheet: a whole 6-degree zone's index, from
// 18 to 53.5 degrees north, is accepted though the corners of its
// rectangle in the plane lie 4.8 degrees of longitude off the meridian up
// north; a meridian that leaves some sheets out of reach refuses naming
// those (and only those), how many there are, and the meridian that holds
// them all.
TEST(RunPlan, ReachIsJudgedSheetBySheet) {
  test::TempDir dir;
  MakeIndex({"--scale", "250000", "--bbox", "114.0001", "18.0001", "119.9999", "53.4999", "--zone-width", "6",
             "--central-meridian", "117", "-o", dir / "zone.shp"});
  RunRequest r = IndexRequest(dir / "zone.shp", dir / "a.gpkg");
  r.settings.sharedLayout = true;
  const RunPlan whole = PlanRun(r);
  EXPECT_EQ(whole.settings.centralMeridian, 117);
  ASSERT_EQ(whole.frameNames.size(), 4u * 36);  // 1.5 by 1 degree, 114..120E, 18..54N

  struct Case {
    int meridian;
    std::set<std::string> columnsOut;  // of the 1:250 000 sheets out of reach
  };
  const Case cases[] = {
      {114, {"003", "004"}},  // east of 118E
      {120, {"001", "002"}},  // west of 116E
      // 30 degrees off: some sheets no longer read as sheets once put
      // into that plane (skipped, not counted), every other one is out.
      {87, {"001", "002", "003", "004"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.meridian);
    RunRequest far = r;
    far.coords.is3DegreeZone = false;
    far.coords.centralMeridian = c.meridian;
    try {
      PlanRun(far);
      ADD_FAILURE() << "not refused";
    } catch (const RunError& e) {
      const std::string text = e.what();
      const std::string out = c.meridian == 87 ? "" : std::to_string(c.columnsOut.size() * 36);
      EXPECT_NE(text.find("有" + out), std::string::npos) << text;
      EXPECT_NE(text.find("个与中央经线 " + std::to_string(c.meridian)), std::string::npos) << text;
      // Ten named, the rest counted; each named one out of reach.
      int named = 0;
      for (std::size_t at = text.find("TFH="); at != std::string::npos;
           at = text.find("TFH=", at + 1), ++named)
        EXPECT_EQ(c.columnsOut.count(text.substr(at + 4 + 7, 3)), 1u) << text.substr(at, 14);
      EXPECT_EQ(named, 10);
      EXPECT_NE(text.find("……"), std::string::npos) << text;
      EXPECT_NE(text.find("建议中央经线 117"), std::string::npos) << text;
    }
    EXPECT_FALSE(fs::exists(dir / "a.gpkg"));
  }
}

// A run of hours is not started without a word: the plan of more than ten
// thousand frames in the per-frame layout carries the advice, for the
// front end to show before the run; the shared layout needs none.
TEST(RunPlan, AdvisesTheSharedLayoutBeforeAVeryLongPerFrameRun) {
  test::TempDir dir;
  std::vector<test::TestFeature> squares;
  for (int i = 0; i < 10001; ++i) {
    const double x = 500000 + 300.0 * (i % 100), y = 3000000 + 300.0 * (i / 100);
    test::TestFeature f;
    std::string name = "P";
    name += std::to_string(i);
    f.fields["NAME"] = name;
    f.parts = {test::Rectangle(x, y, x + 200, y + 200)};
    squares.push_back(f);
  }
  test::WriteTestShapefile(dir / "many.shp", 2383, {"NAME"}, squares);
  RunRequest r;
  r.mode = CreationMode::PolygonFile;
  r.inputPath = dir / "many.shp";
  r.nameTemplate = "[NAME]";
  r.output = dir / "many.gdb";
  const RunPlan perFrame = PlanRun(r);
  EXPECT_NE(perFrame.layoutAdvice.find("10001个图廓"), std::string::npos) << perFrame.layoutAdvice;
  EXPECT_NE(perFrame.layoutAdvice.find("--layout shared"), std::string::npos);
  EXPECT_TRUE(HasNote(perFrame, "10001个图廓"));
  r.settings.sharedLayout = true;
  EXPECT_TRUE(PlanRun(r).layoutAdvice.empty());
  EXPECT_FALSE(fs::exists(dir / "many.gdb"));
}

TEST(RunExecute, AStoppedRunKeepsItsFramesAndItsProject) {
  test::TempDir dir;
  MakeIndex({"--scale", "10000", "--bbox", "116", "39", "116.25", "39.1", "--datum", "cgcs2000", "-o",
             dir / "i.shp"});
  RecordingFeedback person;
  person.abortDuringStep = 2;  // confirmed during the second step: the third sheet is the last
  const RunResult result =
      ExecuteRun(PlanRun(IndexRequest(dir / "i.shp", dir / "i.gpkg")), ExistingOutput::Refuse, person);
  EXPECT_TRUE(result.stopped);
  ASSERT_EQ(result.frames.size(), 3u);
  EXPECT_EQ(result.project, (dir.path() / "i.gpkg.qgs").string());
  EXPECT_TRUE(fs::is_regular_file(result.project));
  const test::ReadStore store = test::ReadWithGdal(dir / "i.gpkg");
  for (const std::string& name : result.frames) EXPECT_TRUE(store.has("L_" + name)) << name;
}

TEST(RunExecute, ASharedDxfRunCountsTheElementsItsStoreRefused) {
  test::TempDir dir;
  // A frame gap of 10 m on paper puts the outer frame and its texts of a
  // 1:1 000 000 sheet outside the zone the shared classes hold.
  RunRequest r = SheetRequest("J-50", dir / "x.dxf");
  r.coords.is3DegreeZone = false;
  r.settings.sharedLayout = true;
  r.settings.senw = 100000;
  RecordingFeedback feedback;
  const RunResult result = ExecuteRun(PlanRun(r), ExistingOutput::Refuse, feedback);
  EXPECT_GT(result.counts.refused, 0);
  EXPECT_EQ(result.counts.refused, feedback.countOf("保存失败"));
  EXPECT_TRUE(fs::is_regular_file(dir / "x.dxf"));
  EXPECT_TRUE(result.project.empty());
}

}  // namespace
}  // namespace tarvik
