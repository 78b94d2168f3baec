#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "support/test_support.h"

namespace tarvik::test {
namespace {

// The two numbers of a result line "a b".
std::pair<double, double> Pair(const std::string& line) {
  std::istringstream in(line);
  double a = 0, b = 0;
  in >> a >> b;
  EXPECT_FALSE(in.fail()) << line;
  return {a, b};
}

TEST(ConvertCli, PairsToTheMillimetre) {
  const struct {
    std::vector<std::string> args;
    double a, b, tolerance;
  } cases[] = {
      {{"--to-xy", "40", "87", "--zone-width", "6"}, 4429531.097, 500000.0, 5e-4},
      {{"--to-xy", "40", "88", "--zone-width", "6", "--zone-prefix"}, 4430010.135, 15585394.660, 5e-4},
      {{"--to-xy", "40", "87", "--zone-width", "6", "--datum", "beijing54"}, 4429607.368, 500000, 5e-4},
      {{"--to-xy", "30.5", "114.25", "--central-meridian", "114", "--zone-prefix"},
       3375569.881,
       38523999.780,
       5e-4},
      {{"--to-xy", "30.30", "114.15", "--dms", "--central-meridian", "114", "--zone-prefix"},
       3375569.881,
       38523999.780,
       5e-4},
      {{"--to-xy", "36", "102", "--zone-width", "6", "--central-meridian", "105"}, NAN, 229470.291, 5e-4},
      {{"--to-lb", "3375569.881", "38523999.780", "--central-meridian", "114", "--zone-prefix"},
       114.25,
       30.5,
       1e-7},
      {{"--zone-prefix", "--to-lb", "4430010.135", "15585394.660", "--zone-width=6"}, 88, 40, 1e-7},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const auto [a, b] = Pair(r.out);
    if (!std::isnan(c.a)) {
      EXPECT_NEAR(a, c.a, c.tolerance) << r.out;
    }
    EXPECT_NEAR(b, c.b, c.tolerance) << r.out;
  }
}

TEST(ConvertCli, NegativeNumbersAreValues) {
  const CliResult south = RunCli({"convert", "--to-xy", "-45", "88"});
  ASSERT_EQ(south.exitCode, 0) << south.err;
  EXPECT_LT(Pair(south.out).first, -4.9e6);
  const CliResult west = RunCli({"convert", "--to-xy", "40", "-118.5", "--central-meridian", "-117"});
  ASSERT_EQ(west.exitCode, 0) << west.err;
  EXPECT_LT(Pair(west.out).second, 500000);
}

TEST(ConvertCli, RoundTripThroughPrintedDigits) {
  const CliResult xy = RunCli({"convert", "--to-xy", "47.123456789", "121.87654321", "--datum", "beijing54",
                               "--zone-width", "6", "--central-meridian", "123"});
  ASSERT_EQ(xy.exitCode, 0) << xy.err;
  const auto [x, y] = Pair(xy.out);
  std::ostringstream xs, ys;
  xs.precision(17);
  ys.precision(17);
  xs << x;
  ys << y;
  const CliResult lb = RunCli({"convert", "--to-lb", xs.str(), ys.str(), "--datum", "beijing54",
                               "--zone-width", "6", "--central-meridian", "123"});
  ASSERT_EQ(lb.exitCode, 0) << lb.err;
  const auto [lon, lat] = Pair(lb.out);
  // 4 printed decimals of metres are 1e-9 degree; the exact inverse comes
  // back to the classical forward series' own difference from the exact
  // projection (0.8 mm here, at most 1.2 mm in China: 1.1e-8 degree).
  EXPECT_NEAR(lon, 121.87654321, 1.2e-8);
  EXPECT_NEAR(lat, 47.123456789, 1.2e-8);
}

TEST(ConvertCli, Json) {
  const CliResult xy = RunCli({"convert", "--to-xy", "40", "87", "--zone-width", "6", "--json"});
  ASSERT_EQ(xy.exitCode, 0);
  EXPECT_EQ(xy.out, "{\"x\": 4429531.0972, \"y\": 500000.0000}\n");
  const CliResult lb =
      RunCli({"convert", "--to-lb", "4429531.0972", "500000", "--zone-width", "6", "--json"});
  ASSERT_EQ(lb.exitCode, 0);
  EXPECT_EQ(lb.out.rfind("{\"lon\": 87.0000000000, \"lat\": 40.00000000", 0), 0u) << lb.out;
}

TEST(ConvertCli, StandardInputLineByLine) {
  const std::string input =
      "30.5 114.25\n"
      "\n"
      "# west of the meridian\n"
      "30.5,113.75\r\n"
      "30.5 abc\n"
      "1 2 3\n"
      "95 114\n"
      "  31\t114  \n";
  const CliResult r =
      RunCli({"convert", "--to-xy", "-", "--central-meridian", "114", "--zone-prefix"}, input);
  EXPECT_EQ(r.exitCode, 1);
  std::vector<std::string> lines;
  std::istringstream out(r.out);
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 8u) << r.out;
  EXPECT_NEAR(Pair(lines[0]).second, 38523999.780, 5e-4);
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "# west of the meridian");
  EXPECT_NEAR(Pair(lines[3]).second, 38476000.220, 5e-4);  // mirror of the first
  EXPECT_EQ(lines[4], "* *");
  EXPECT_EQ(lines[5], "* *");
  EXPECT_EQ(lines[6], "* *");
  EXPECT_GT(Pair(lines[7]).first, 3.4e6);
  for (const char* where : {"第 5 行", "第 6 行", "第 7 行"})
    EXPECT_NE(r.err.find(where), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("第 8 行"), std::string::npos) << r.err;

  const CliResult good = RunCli({"convert", "--to-lb", "-", "--json"}, "4429531.097 500000\n");
  EXPECT_EQ(good.exitCode, 0) << good.err;
  EXPECT_EQ(good.out.rfind("{\"lon\": 87.0000000000", 0), 0u) << good.out;
}

TEST(ConvertCli, RefusedInput) {
  const struct {
    std::vector<std::string> args;
    const char* err;
  } cases[] = {
      {{"--to-xy", "abc", "88"}, "abc"},
      {{"--to-xy", "95", "88"}, "纬度"},
      {{"--to-xy", "40", "100"}, "中央经线"},  // 13 degrees from 87
      {{"--to-lb", "nan", "500000"}, "nan"},
      {{"--to-lb", "4e6", "39500000", "--central-meridian", "114", "--zone-prefix"}, "带号"},
      {{"--to-lb", "4e6", "38500000", "--central-meridian", "114"}, "--zone-prefix"},
      {{"--to-lb", "1e30", "500000"}, "输入的数据,错误"},
      // Eastings more than 6 degrees from the meridian, as --to-xy refuses
      // them: 6.6 degrees west at the equator, 6.5 east at 60N.
      {{"--to-lb", "0", "-230000"}, "超过 6 度"},
      {{"--to-lb", "6660000", "862700"}, "超过 6 度"},
      // D.MMSS with 60 minutes or 99 seconds names no angle.
      {{"--to-xy", "30.6000", "114.15", "--dms", "--central-meridian", "114"}, "应小于60"},
      {{"--to-xy", "30.30", "114.3099", "--dms", "--central-meridian", "114"}, "应小于60"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 1) << c.args[1];
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

TEST(ConvertCli, UsageErrors) {
  const std::vector<std::string> cases[] = {
      {"40", "88"},
      {"--to-xy", "--to-lb", "40", "88"},
      {"--to-xy", "40"},
      {"--to-xy", "40", "88", "1"},
      {"--to-xy", "40", "88", "--datum", "krassowsky"},
      {"--to-xy", "40", "88", "--central-meridian", "88", "--zone-prefix"},
      {"--to-xy", "40", "88", "--zone-width", "4"},
      {"--to-xy", "40", "88", "--central-meridian", "east"},
      {"--to-xy", "40", "88", "--central-meridian", "400"},
      {"--to-lb", "4e6", "5e5", "--dms"},
      {"--to-xy", "40", "88", "--bogus"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), c.begin(), c.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
  }
}

TEST(ConvertCli, HelpNamesEveryOption) {
  const CliResult r = RunCli({"convert", "--help"});
  EXPECT_EQ(r.exitCode, 0);
  for (const char* option : {"--to-xy", "--to-lb", "--datum", "--zone-width", "--central-meridian",
                             "--zone-prefix", "--dms", "--json", "standard input"})
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
  EXPECT_NE(RunCli({"--help"}).out.find("convert"), std::string::npos);
}

}  // namespace
}  // namespace tarvik::test
