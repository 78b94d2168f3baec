// Neighbours from the sheet number across every kind of border: inside a
// 1:1,000,000 sheet, across its rows and columns into the next row letter
// and column number, at the 180th meridian, and at the ends of the rows.
#include <gtest/gtest.h>

#include "common/recording_feedback.h"
#include "sheets/sheet_neighbours.h"

namespace tarvik {
namespace {

TEST(SheetNeighbours, AcrossEveryKindOfBorder) {
  const struct {
    const char* number;
    NeighbourNumbers expected;  // nw, n, ne, w, e, sw, s, se
  } cases[] = {
      // Inside one 1:1,000,000 sheet.
      {"E45G095066",
       {"E45G094065", "E45G094066", "E45G094067", "E45G095065", "E45G095067", "E45G096065", "E45G096066",
        "E45G096067"}},
      // First row: north is the last row of the next row letter.
      {"E45G001050",
       {"F45G096049", "F45G096050", "F45G096051", "E45G001049", "E45G001051", "E45G002049", "E45G002050",
        "E45G002051"}},
      // First column: west is the last column of the previous column number.
      {"E45G050001",
       {"E44G049096", "E45G049001", "E45G049002", "E44G050096", "E45G050002", "E44G051096", "E45G051001",
        "E45G051002"}},
      // South-east corner: three other 1:1,000,000 sheets around it.
      {"E45G096096",
       {"E45G095095", "E45G095096", "E46G095001", "E45G096095", "E46G096001", "D45G001095", "D45G001096",
        "D46G001001"}},
      // Column 60 ends at 180 degrees: column 01 follows, both ways.
      {"E60D006012",
       {"E60D005011", "E60D005012", "E01D005001", "E60D006011", "E01D006001", "E60D007011", "E60D007012",
        "E01D007001"}},
      {"E01H100001",
       {"E60H099192", "E01H099001", "E01H099002", "E60H100192", "E01H100002", "E60H101192", "E01H101001",
        "E01H101002"}},
      // Row V ends at 88 degrees north, row A starts at the equator.
      {"V45C001002", {"", "", "", "V45C001001", "V45C001003", "V45C002001", "V45C002002", "V45C002003"}},
      {"A45B002001", {"A44B001002", "A45B001001", "A45B001002", "A44B002002", "A45B002002", "", "", ""}},
      // A 1:1,000,000 sheet keeps its short form.
      {"J50", {"K49", "K50", "K51", "J49", "J51", "I49", "I50", "I51"}},
      // The ten-character form earlier indexes wrote reads as the same sheet.
      {"J50A001001", {"K49", "K50", "K51", "J49", "J51", "I49", "I50", "I51"}},
  };
  for (const auto& c : cases) {
    RecordingFeedback feedback;
    const auto n = SheetNeighbours(c.number, feedback);
    ASSERT_TRUE(n) << c.number;
    EXPECT_EQ(*n, c.expected) << c.number;
    EXPECT_TRUE(feedback.messages.empty()) << c.number;
  }
}

TEST(SheetNeighbours, NumbersThatNameNoSheetAreRefused) {
  // The codec reads all of these; none is a sheet of the series.
  for (const char* number : {"E45G097001", "E45G000066", "E45G095097", "E61G001001", "E00G001001",
                             "W45G001001", "e45G095066", "E45D013001", "J5+D001001"}) {
    RecordingFeedback feedback;
    EXPECT_FALSE(SheetNeighbours(number, feedback)) << number;
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0].rfind(std::string("输入的") + number + ",错误的图幅号", 0), 0u)
        << feedback.messages[0];
  }
}

TEST(SheetNeighbours, CellOfAPointAndTableOrder) {
  // 88.1 E, 16.05 N lies in E45G095066; nothing south of the equator.
  const auto cell = SheetCellAt(6, 88.1L, 16.05L);
  ASSERT_TRUE(cell);
  EXPECT_EQ(SheetNumberOfCell(*cell), "E45G095066");
  EXPECT_FALSE(SheetCellAt(6, 88.1L, -0.01L));
  EXPECT_FALSE(SheetCellAt(6, 88.1L, 88.01L));
  // Table cells west to east (i), north to south (j), centre excluded.
  EXPECT_EQ(NeighbourIndexOfCell(0, 0), 0);
  EXPECT_EQ(NeighbourIndexOfCell(1, 1), -1);
  EXPECT_EQ(NeighbourIndexOfCell(2, 1), 4);
  EXPECT_EQ(NeighbourIndexOfCell(2, 2), 7);
}

}  // namespace
}  // namespace tarvik
