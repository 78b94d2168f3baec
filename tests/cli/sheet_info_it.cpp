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
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli({"sheet-info", c.input, "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, c.json);
    EXPECT_EQ(r.err, "");
  }
}

TEST(SheetInfoCli, HumanFormShowsDegreesMinutesSeconds) {
  const CliResult r = RunCli({"sheet-info", "E45G095066"});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("88°03′45″"), std::string::npos);
  EXPECT_NE(r.out.find("16°02′30″"), std::string::npos);
  EXPECT_NE(r.out.find("1:10000"), std::string::npos);
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
