// --progress json as a program reading it sees it: every line of the stream
// an event, a frame event for each frame on disk and nothing else, and the
// summary last, also when the run is stopped or refused.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <regex>
#include <set>
#include <sstream>

#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

struct Events {
  std::vector<std::string> frames;  // names of the frame events, in order
  std::string summary;              // the summary line
  int afterSummary = 0;             // events after it (must be none)
  std::string stray;                // a line of the stream that is no event
};

// The events among `text`'s lines; with `onlyEvents` every line must be one.
Events ParseEvents(const std::string& text, bool onlyEvents) {
  static const std::regex kFrame(
      R"re(^\{"event": "frame", "done": \d+, "total": \d+, "name": "([^"]+)"\}$)re");
  Events e;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("{\"event\": ", 0) != 0) {
      if (onlyEvents && e.stray.empty()) e.stray = line;
      continue;
    }
    if (!e.summary.empty()) ++e.afterSummary;
    std::smatch m;
    if (std::regex_match(line, m, kFrame)) e.frames.push_back(m[1]);
    if (line.rfind("{\"event\": \"summary\"", 0) == 0) e.summary = line;
  }
  return e;
}

int Member(const std::string& summary, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(summary, m, std::regex("\"" + key + "\": (\\d+)"))) return -1;
  return std::stoi(m[1]);
}

int FramesOnDisk(const std::string& output) {
  int n = 0;
  for (const auto& entry : ReadWithGdal(output).layers) n += entry.first.rfind("L_", 0) == 0;
  return n;
}

TEST(ProgressJson, StoppedRunTellsExactlyTheFramesItKept) {
  TempDir dir;
  ASSERT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "88.625", "16.625", "-o",
                    dir / "many.shp"})
                .exitCode,
            0);  // 10 x 15 sheets
  // The events on stderr, where CliProcess reads, among the other lines.
  CliProcess child({"index", dir / "many.shp", "-o", dir / "many.gpkg", "--name-template", "[TFH]",
                    "--progress", "json", "--progress-fd", "2"});
  ASSERT_TRUE(child.started());
  const bool running = child.readUntil("\"done\": 3,");
  child.signal(SIGTERM);
  const int status = child.finish();
  ASSERT_TRUE(running) << child.err();
  ASSERT_TRUE(WIFEXITED(status)) << child.err();
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const Events e = ParseEvents(child.err(), false);
  ASSERT_FALSE(e.summary.empty()) << child.err();
  EXPECT_EQ(e.afterSummary, 0);
  EXPECT_NE(e.summary.find("\"status\": \"stopped\", \"exit\": 1"), std::string::npos) << e.summary;
  EXPECT_GE(e.frames.size(), 3u);
  EXPECT_LT(e.frames.size(), 150u);
  EXPECT_EQ(Member(e.summary, "frames"), static_cast<int>(e.frames.size()));
  EXPECT_EQ(Member(e.summary, "frames_planned"), 150);
  EXPECT_EQ(FramesOnDisk(dir / "many.gpkg"), static_cast<int>(e.frames.size()));
  EXPECT_EQ(std::set<std::string>(e.frames.begin(), e.frames.end()).size(), e.frames.size());
}

// On stdout the stream is all there is: the usual lines move to stderr.
TEST(ProgressJson, EveryEndIsOneSummaryOnAStreamOfEventsOnly) {
  TempDir dir;
  ASSERT_EQ(RunCli({"sheet", "J50G001001", "-o", dir / "a.gpkg", "--datum", "cgcs2000"}).exitCode, 0);
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::vector<std::string> inSummary;
    std::size_t frames;
  } cases[] = {
      {{"sheet", "J50G001002", "-o", dir / "b.gdb", "--datum", "cgcs2000"},
       0,
       {"\"status\": \"done\"", "\"frames\": 1", "EPSG:4547", "b.gdb.qgs"},
       1},
      {{"sheet", "J50G001001", "-o", dir / "a.gpkg"},
       1,
       {"\"status\": \"refused\"", "已存在；加 --overwrite"},
       0},
      {{"sheet", "J50G001001", "-o", dir / "c.gpkg", "--zone-width", "5"},
       2,
       {"\"status\": \"usage\"", "--zone-width 只能是 3 或 6"},
       0},
      {{"sheet-info", "X50"}, 1, {"\"status\": \"refused\"", "第1位应为行号字母A～V"}, 0},
      {{"sheet-info", "J50", "--neighbours"}, 0, {"\"info\": {\"number\": \"J50\"", "\"e\": \"J51\""}, 0},
      {{"make-index", "--scale", "50000", "--bbox", "116", "39", "116.5", "39.4", "-o", dir / "i.shp"},
       0,
       {"\"sheets\": 6", "\"status\": \"done\""},
       0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--progress", "json"});
    const CliResult r = RunCli(args);
    const std::string what = c.args[0] + " " + c.args[1];
    EXPECT_EQ(r.exitCode, c.exit) << what << r.err;
    const Events e = ParseEvents(r.out, true);
    EXPECT_EQ(e.stray, "") << what;
    EXPECT_EQ(e.afterSummary, 0) << what;
    EXPECT_EQ(e.frames.size(), c.frames) << what;
    ASSERT_FALSE(e.summary.empty()) << what << r.out;
    EXPECT_EQ(Member(e.summary, "exit"), c.exit) << e.summary;
    for (const std::string& part : c.inSummary)
      EXPECT_NE(e.summary.find(part), std::string::npos) << part << " in " << e.summary;
  }
  EXPECT_EQ(FramesOnDisk(dir / "b.gdb"), 1);
}

}  // namespace
}  // namespace tarvik::test
