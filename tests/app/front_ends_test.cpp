// The window and the command line make the same frames from the same
// request: each case is run through the window's widgets and through
// tarvik-cli's arguments, and the two outputs are read back with GDAL and
// compared feature by feature.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app_test_support.h"
#include "support/gdal_readback.h"
#include "support/test_shapefile.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;
using test::U;
using test::WindowUnderTest;

// Everything GDAL reads of two stores is the same: the classes, their
// systems, and every feature's fields and coordinates (the styles' table
// aside, whose rows carry the time they were written).
void ExpectSameStores(const test::ReadStore& window, const test::ReadStore& cli) {
  std::vector<std::string> a, b;
  for (const auto& [name, layer] : window.layers) a.push_back(name);
  for (const auto& [name, layer] : cli.layers) b.push_back(name);
  ASSERT_EQ(a, b);
  for (const auto& [name, w] : window.layers) {
    if (name == "layer_styles") continue;
    SCOPED_TRACE(name);
    const test::ReadLayer& c = cli.layers.at(name);
    EXPECT_EQ(w.epsg, c.epsg);
    EXPECT_EQ(w.wkt, c.wkt);
    ASSERT_EQ(w.features.size(), c.features.size());
    for (std::size_t i = 0; i < w.features.size(); ++i) {
      EXPECT_EQ(w.features[i].fields, c.features[i].fields) << "feature " << i;
      ASSERT_EQ(w.features[i].parts.size(), c.features[i].parts.size()) << "feature " << i;
      for (std::size_t p = 0; p < w.features[i].parts.size(); ++p) {
        ASSERT_EQ(w.features[i].parts[p].size(), c.features[i].parts[p].size());
        for (std::size_t k = 0; k < w.features[i].parts[p].size(); ++k) {
          EXPECT_EQ(w.features[i].parts[p][k].x, c.features[i].parts[p][k].x);
          EXPECT_EQ(w.features[i].parts[p][k].y, c.features[i].parts[p][k].y);
        }
      }
      EXPECT_EQ(w.features[i].point.x, c.features[i].point.x);
      EXPECT_EQ(w.features[i].point.y, c.features[i].point.y);
    }
  }
}

void PickFile(WindowUnderTest& w, int mode, const std::string& file, const char* nameTemplate) {
  w->rgtype->setItemIndex(mode);
  w.dialogs.openAnswer = QString::fromStdString(file);
  w->btnfile->click();
  w->edtFileName->setText(U(nameTemplate));
}

struct Case {
  const char* what;
  // Input files made before both runs (in the folder given).
  std::function<void(const test::TempDir&)> input;
  // The command line, without the output.
  std::function<std::vector<std::string>(const test::TempDir&)> cli;
  // The same request through the window's widgets (fresh window).
  std::function<void(WindowUnderTest&, const test::TempDir&)> window;
  // What both must have drawn: the system of the line class, its EPSG code
  // or a piece of its WKT; and the line class of a frame that must be there.
  const char* system;
  const char* frame;
};

void MakeIndex(const test::TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> all = {"make-index"};
  all.insert(all.end(), args.begin(), args.end());
  const test::CliResult r = test::RunCli(all);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  (void)dir;
}

TEST(FrontEnds, TheWindowAndTheCommandLineMakeTheSameFrames) {
  const Case cases[] = {
      {"a sheet in 6-degree zones without a meridian: the zone of its west edge", nullptr,
       [](const test::TempDir&) {
         return std::vector<std::string>{"sheet", "J46G001017", "--datum", "cgcs2000", "--zone-width", "6"};
       },
       [](WindowUnderTest& w, const test::TempDir&) {
         w->rgtype->setItemIndex(0);
         w->edtMapNO->setText("J46G001017");
         w->gb8054->setItemIndex(3);
         w->cbFdf->setCurrentIndex(1);
       },
       "4505", "L_J46G001017"},
      {"a sheet in 3-degree zones without a meridian", nullptr,
       [](const test::TempDir&) {
         return std::vector<std::string>{"sheet", "E45G095066", "--datum", "cgcs2000"};
       },
       [](WindowUnderTest& w, const test::TempDir&) {
         w->rgtype->setItemIndex(0);
         w->edtMapNO->setText("E45G095066");
         w->gb8054->setItemIndex(3);
       },
       "CM 87E", "L_E45G095066"},
      {"a geographic sheet index near a zone edge: the zone of its centre",
       [](const test::TempDir& d) {
         MakeIndex(d, {"--scale", "10000", "--bbox", "89.0", "39.0", "89.1", "39.05", "--datum", "cgcs2000",
                       "--geographic", "-o", d / "geo.shp"});
       },
       [](const test::TempDir& d) {
         return std::vector<std::string>{"index", d / "geo.shp", "--name-template", "[TFH]"};
       },
       [](WindowUnderTest& w, const test::TempDir& d) { PickFile(w, 1, d / "geo.shp", "[TFH]"); }, "4490",
       "L_J45G024081"},
      {"an index of 1:50 000 sheets without a scale: its numbers name it",
       [](const test::TempDir& d) {
         MakeIndex(d, {"--scale", "50000", "--bbox", "116.1", "39.1", "116.4", "39.2", "--datum", "cgcs2000",
                       "-o", d / "50k.shp"});
       },
       [](const test::TempDir& d) {
         return std::vector<std::string>{"index", d / "50k.shp", "--name-template", "[TFH]"};
       },
       [](WindowUnderTest& w, const test::TempDir& d) { PickFile(w, 1, d / "50k.shp", "[TFH]"); }, "4548",
       "L_J50E006009"},
      {"a rectangular sheet in the system stated", nullptr,
       [](const test::TempDir&) {
         return std::vector<std::string>{"sheet",    "3810.40-500.75",     "--scale", "500", "--datum",
                                         "cgcs2000", "--central-meridian", "117"};
       },
       [](WindowUnderTest& w, const test::TempDir&) {
         w->rgtype->setItemIndex(0);
         w->edtMapNO->setText("3810.40-500.75");
         w->gb8054->setItemIndex(3);
         w->chkAutoMeridian->setChecked(false);
         w->centerL->setValue(117);
         w->edtMapscale1->setText("500");
         emit w->edtMapscale1->textEdited("500");
       },
       "4548", "L_3810_40_500_75"},
      {"frames around the polygons of a file",
       [](const test::TempDir& d) {
         test::WriteTestShapefile(
             d / "area.shp", 4548, {"NAME"},
             {{{{"NAME", "甲"}}, {test::Rectangle(500123.4, 4300000, 503876.6, 4304000)}},
              {{{"NAME", "乙"}}, {test::Rectangle(510000, 4300000, 512000, 4302500)}}});
       },
       [](const test::TempDir& d) {
         return std::vector<std::string>{"area", d / "area.shp", "--name-template", "[NAME]"};
       },
       [](WindowUnderTest& w, const test::TempDir& d) { PickFile(w, 2, d / "area.shp", "[NAME]"); }, "4548",
       "L_乙"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    if (c.input) c.input(dir);
    std::vector<std::string> args = c.cli(dir);
    args.insert(args.end(), {"-o", dir / "cli.gpkg"});
    const test::CliResult cli = test::RunCli(args);
    ASSERT_EQ(cli.exitCode, 0) << cli.err;

    WindowUnderTest w;
    c.window(w, dir);
    w->edtoutFile->setText(QString::fromStdString(dir / "window.gpkg"));
    w.dialogs.choiceAnswers = {test::kCloseBox};  // close the end box
    w->Button1->click();
    ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
    ASSERT_EQ(w.dialogs.choices.size(), 1u) << w.dialogs.describe();

    const test::ReadStore fromWindow = test::ReadWithGdal(dir / "window.gpkg");
    const test::ReadStore fromCli = test::ReadWithGdal(dir / "cli.gpkg");
    ASSERT_TRUE(fromCli.has(c.frame)) << cli.out;
    const test::ReadLayer& lines = fromCli.layers.at(c.frame);
    EXPECT_TRUE(std::to_string(lines.epsg) == c.system || lines.wkt.find(c.system) != std::string::npos)
        << lines.epsg << " " << lines.wkt;
    ExpectSameStores(fromWindow, fromCli);
    // Both have their project.
    EXPECT_TRUE(fs::is_regular_file(dir / "cli.gpkg.qgs"));
    EXPECT_TRUE(fs::is_regular_file(dir / "window.gpkg.qgs"));
  }
}

}  // namespace
}  // namespace tarvik
