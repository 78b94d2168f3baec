#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tarvik::test {
namespace {

TEST(SheetInfoCli, JsonForCurrentAndOldNumbers) {
  const struct {
    const char* input;
    const char* json;
  } cases[] = {
      {"E45G095066",
       "{\"number\": \"E45G095066\", \"scale\": 10000, \"west\": 88.0625, \"south\": "
       "16.041666666666668, \"lon_size\": 0.0625, \"lat_size\": 0.041666666666666664, "
       "\"central_meridian\": 87}\n"},
      {"J-50-5",
       "{\"number\": \"J50D001005\", \"scale\": 100000, \"west\": 116, \"south\": "
       "39.666666666666664, \"lon_size\": 0.5, \"lat_size\": 0.3333333333333333, "
       "\"central_meridian\": 117}\n"},
      {"J-50",
       "{\"number\": \"J50\", \"scale\": 1000000, \"west\": 114, \"south\": 36, \"lon_size\": 6, "
       "\"lat_size\": 4, \"central_meridian\": 114}\n"},
      // The GB/T 13989 number of the same sheet.
      {"J50",
       "{\"number\": \"J50\", \"scale\": 1000000, \"west\": 114, \"south\": 36, \"lon_size\": 6, "
       "\"lat_size\": 4, \"central_meridian\": 114}\n"},
      // West of Greenwich: -96 .. -90, the sheet at -93 .. -90; the 3-degree
      // zone -94.5 .. -91.5 of its west edge has its meridian at -93.
      {"K15B002002",
       "{\"number\": \"K15B002002\", \"scale\": 500000, \"west\": -93, \"south\": 40, \"lon_size\": 3, "
       "\"lat_size\": 2, \"central_meridian\": -93}\n"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli({"sheet-info", c.input, "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, c.json);
    EXPECT_EQ(r.err, "");
  }
}

TEST(SheetInfoCli, HumanFormShowsDegreesMinutesSeconds) {
  // Texts worked out by hand: a 1:5000 sheet is 1′52.5″ wide, and its west
  // edge 28 columns of it past 116° lies on a half second.
  const struct {
    const char* number;
    std::vector<std::string> texts;
  } cases[] = {
      {"E45G095066", {"88°03′45″", "16°02′30″", "0°03′45″", "1:10000"}},
      {"J50H005080", {"116°28′07.5″", "39°53′45″", "0°01′52.5″", "0°01′15″", "1:5000"}},
      // West of Greenwich: -130.1875 is -130°11′15″, in the zone of -129.
      {"K09G001030", {"-130°11′15″", "43°57′30″", "中央经线:   -129"}},
      {"K08H001004", {"-137°54′22.5″", "0°01′52.5″", "中央经线:   -138"}},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli({"sheet-info", c.number});
    ASSERT_EQ(r.exitCode, 0) << c.number;
    for (const auto& t : c.texts)
      EXPECT_NE(r.out.find(t), std::string::npos) << c.number << " " << t << "\n" << r.out;
  }
}

TEST(SheetInfoCli, RefusalsAndUsageErrors) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
    const char* err;
  } cases[] = {
      {{"sheet-info", "E45G09506"}, 1, "图幅号输入错误"},
      {{"sheet-info", "E45GX95066"}, 1, "输入的E45GX95066,错误的图幅号"},
      {{"sheet-info", "J-5x-5"}, 1, "输入的J-5x-5,错误的旧图幅号"},
      {{"sheet-info", "J-5"}, 1, "输入的J-5,错误的旧图幅号"},
      {{"sheet-info"}, 2, "需要一个图幅号"},
      {{"sheet-info", "E45G095066", "--bogus"}, 2, "--bogus"},
      {{"no-such-command"}, 2, "no-such-command"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back();
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

}  // namespace
}  // namespace tarvik::test
