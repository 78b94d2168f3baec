#include "sheets/rect_sheets.h"

#include <cmath>

#include "common/delphi.h"
#include "coords/utBJ54Xian80.h"
#include "coords/zone_reach.h"

namespace tarvik {
namespace {

constexpr long double kCornerTolerance = 1e-3L;  // metres
constexpr std::int64_t kMaxKilometres = 9999999;

// The unit of the last digit of a number, in metres: 10 m at 1:500, 100 m at
// 1:1000 and 1:2000, 1000 m at 1:5000.
std::int64_t DigitUnit(long denominator) {
  switch (RectNumberDecimals(denominator)) {
    case 2:
      return 10;
    case 1:
      return 100;
    case 0:
      return 1000;
    default:
      return 0;
  }
}

// Whole metres as kilometres with `decimals` decimals (10400, 2 -> "10.40").
std::string KmText(std::int64_t metres, int decimals) {
  std::string text = std::to_string(metres / 1000);
  if (decimals <= 0) return text;
  std::string fraction = std::to_string(metres % 1000);
  fraction.insert(0, 3 - fraction.size(), '0');
  return text + "." + fraction.substr(0, static_cast<std::size_t>(decimals));
}

// Kilometres written as digits with an optional decimal part, as whole metres.
// None when the text is not such a number or is not a whole number of metres.
std::optional<std::int64_t> ReadKilometres(std::string_view text) {
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.empty() || whole.size() > 7) return std::nullopt;
  for (char c : whole)
    if (c < '0' || c > '9') return std::nullopt;
  for (char c : fraction)
    if (c < '0' || c > '9') return std::nullopt;
  if (point != std::string_view::npos && fraction.empty()) return std::nullopt;
  std::int64_t metres = std::stoll(std::string(whole)) * 1000;
  std::int64_t scale = 100;
  for (std::size_t i = 0; i < fraction.size(); ++i) {
    const int digit = fraction[i] - '0';
    if (i < 3) {
      metres += digit * scale;
      scale /= 10;
    } else if (digit != 0) {
      return std::nullopt;  // finer than a metre: on no grid of these scales
    }
  }
  return metres;
}

std::string ScaleName(long denominator) { return "1:" + std::to_string(denominator); }

bool Near(long double a, long double b) { return std::fabs(a - b) <= kCornerTolerance; }

struct Range {
  std::int64_t first, last;
};

// Sheet indices of size `size` overlapping lo..hi; a bound on a sheet edge
// (to within a billionth of a sheet) does not take in the sheet beyond it.
Range IndexRange(long double lo, long double hi, std::int64_t size) {
  constexpr long double kEdge = 1e-9L;
  const long double s = static_cast<long double>(size);
  return {static_cast<std::int64_t>(std::floor(lo / s + kEdge)),
          static_cast<std::int64_t>(std::ceil(hi / s - kEdge)) - 1};
}

}  // namespace

const std::array<RectLayout, 3>& RectLayouts() {
  static const std::array<RectLayout, 3> layouts = {{{50, 50}, {40, 50}, {40, 40}}};
  return layouts;
}

std::optional<RectLayout> ParseRectLayout(std::string_view text) {
  for (std::string_view sep : {"x", "X", "×"}) {
    const auto at = text.find(sep);
    if (at == std::string_view::npos) continue;
    const std::string_view a = text.substr(0, at), b = text.substr(at + sep.size());
    for (const RectLayout& l : RectLayouts())
      if (a == std::to_string(l.xCm) && b == std::to_string(l.yCm)) return l;
  }
  return std::nullopt;
}

std::string RectLayoutName(RectLayout layout) {
  return std::to_string(layout.xCm) + "x" + std::to_string(layout.yCm);
}

bool IsRectScale(long denominator) { return RectNumberDecimals(denominator) >= 0; }

int RectNumberDecimals(long denominator) {
  switch (denominator) {
    case 500:
      return 2;
    case 1000:
    case 2000:
      return 1;
    case 5000:
      return 0;
    default:
      return -1;
  }
}

std::optional<std::string> RectLayoutProblem(long denominator, RectLayout layout) {
  if (!IsRectScale(denominator))
    return "矩形图幅只有1:500、1:1000、1:2000和1:5000四种比例尺，没有" + ScaleName(denominator);
  const RectSheet probe{denominator, layout, 0, 0};
  const std::int64_t unit = DigitUnit(denominator);
  if (probe.xSize() % unit == 0 && probe.ySize() % unit == 0) return std::nullopt;
  const int decimals = RectNumberDecimals(denominator);
  return ScaleName(denominator) + "的" + RectLayoutName(layout) + "厘米图幅边长" +
         FloatToStr(probe.xSize() / 1000.0L) + "×" + FloatToStr(probe.ySize() / 1000.0L) + "公里，不能用" +
         (decimals == 0 ? std::string("整") : KmText(unit, decimals)) + "公里的图幅号编号";
}

std::int64_t RectSheet::xSize() const { return static_cast<std::int64_t>(layout.xCm) * denominator / 100; }
std::int64_t RectSheet::ySize() const { return static_cast<std::int64_t>(layout.yCm) * denominator / 100; }

std::string RectSheet::number() const {
  const int decimals = RectNumberDecimals(denominator);
  return KmText(south(), decimals) + "-" + KmText(west(), decimals);
}

bool LooksLikeRectNumber(std::string_view text) {
  return !text.empty() && text[0] >= '0' && text[0] <= '9' && text.find('-') != std::string_view::npos;
}

std::variant<RectSheet, std::string> ParseRectNumber(std::string_view text, long denominator,
                                                     std::optional<RectLayout> layout) {
  const std::string wrong = "输入的" + std::string(text) + ",错误的图幅号：";
  const auto dash = text.find('-');
  const auto x = dash == std::string_view::npos ? std::nullopt : ReadKilometres(text.substr(0, dash));
  const auto y = dash == std::string_view::npos ? std::nullopt : ReadKilometres(text.substr(dash + 1));
  if (!x || !y)
    return wrong + "矩形图幅号应为“x-y”，即西南角以公里计的x(纵)坐标和y(横)坐标，如3810.40-500.75";
  if (!IsRectScale(denominator)) return wrong + *RectLayoutProblem(denominator, RectLayouts()[0]);
  const int decimals = RectNumberDecimals(denominator);

  std::string grids;  // what each layout tried would need
  for (const RectLayout& l : RectLayouts()) {
    if (layout && !(l == *layout)) continue;
    if (const auto problem = RectLayoutProblem(denominator, l)) {
      if (layout) return wrong + *problem;
      continue;
    }
    RectSheet sheet{denominator, l, *x / RectSheet{denominator, l, 0, 0}.xSize(), 0};
    sheet.col = *y / sheet.ySize();
    if (sheet.south() == *x && sheet.west() == *y) return sheet;
    if (!grids.empty()) grids += "；";
    grids += RectLayoutName(l) + "厘米图幅须为x每" + KmText(sheet.xSize(), decimals) + "、y每" +
             KmText(sheet.ySize(), decimals) + "公里";
  }
  return wrong + "西南角不在" + ScaleName(denominator) + "矩形图幅的格网上（" + grids + "）";
}

NeighbourNumbers RectNeighbours(const RectSheet& sheet) {
  NeighbourNumbers out;
  for (std::size_t i = 0; i < kNeighbourSteps.size(); ++i) {
    RectSheet n = sheet;
    n.row += kNeighbourSteps[i].north;
    n.col += kNeighbourSteps[i].east;
    if (n.row < 0 || n.col < 0) continue;
    if (n.south() / 1000 > kMaxKilometres || n.west() / 1000 > kMaxKilometres) continue;
    out[i] = n.number();
  }
  return out;
}

std::optional<RectSheet> RectSheetOfCorners(long denominator, const std::array<long double, 4>& east,
                                            const std::array<long double, 4>& north) {
  if (!IsRectScale(denominator)) return std::nullopt;
  // Corners beyond any numbered sheet (or not numbers at all) are no sheet.
  for (std::size_t i = 0; i < 4; ++i)
    if (!(std::fabs(east[i]) < 1e12L) || !(std::fabs(north[i]) < 1e12L)) return std::nullopt;
  // An axis-parallel rectangle: lower-left, upper-left, upper-right, lower-right.
  if (!Near(east[0], east[1]) || !Near(east[2], east[3]) || !Near(north[0], north[3]) ||
      !Near(north[1], north[2]))
    return std::nullopt;
  for (const RectLayout& l : RectLayouts()) {
    if (RectLayoutProblem(denominator, l)) continue;
    RectSheet sheet{denominator, l, 0, 0};
    if (!Near(north[1] - north[0], sheet.xSize()) || !Near(east[3] - east[0], sheet.ySize())) continue;
    sheet.row = std::llround(static_cast<double>(north[0] / sheet.xSize()));
    sheet.col = std::llround(static_cast<double>(east[0] / sheet.ySize()));
    if (sheet.row < 0 || sheet.col < 0) return std::nullopt;
    if (!Near(north[0], sheet.south()) || !Near(east[0], sheet.west())) return std::nullopt;
    return sheet;
  }
  return std::nullopt;
}

std::int64_t RectSheetCount(long denominator, RectLayout layout, long double xMin, long double yMin,
                            long double xMax, long double yMax) {
  const RectSheet probe{denominator, layout, 0, 0};
  const Range rows = IndexRange(xMin, xMax, probe.xSize());
  const Range cols = IndexRange(yMin, yMax, probe.ySize());
  if (rows.last < rows.first || cols.last < cols.first) return 0;
  return (rows.last - rows.first + 1) * (cols.last - cols.first + 1);
}

std::vector<RectSheet> RectSheetsIn(long denominator, RectLayout layout, long double xMin, long double yMin,
                                    long double xMax, long double yMax) {
  const RectSheet probe{denominator, layout, 0, 0};
  const Range rows = IndexRange(xMin, xMax, probe.xSize());
  const Range cols = IndexRange(yMin, yMax, probe.ySize());
  std::vector<RectSheet> sheets;
  for (std::int64_t r = rows.last; r >= rows.first; --r)
    for (std::int64_t c = cols.first; c <= cols.last; ++c) sheets.push_back({denominator, layout, r, c});
  return sheets;
}

void CheckRectSheetCoordinates(const CoordParams& p, const RectSheet& sheet) {
  CheckProjectedParams(p);
  CheckPlanarReach(p, static_cast<double>(sheet.west()), static_cast<double>(sheet.south()),
                   static_cast<double>(sheet.west() + sheet.ySize()),
                   static_cast<double>(sheet.south() + sheet.xSize()), "图幅" + sheet.number());
}

}  // namespace tarvik
