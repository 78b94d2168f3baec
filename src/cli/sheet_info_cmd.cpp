// tarvik-cli sheet-info NUMBER [--neighbours] [--json]: what a sheet number
// stands for, national series or large-scale rectangular ("x-y" with --scale).
#include <algorithm>
#include <iostream>
#include <sstream>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/json.h"
#include "cli/progress_channel.h"
#include "cli/rect_options.h"
#include "common/delphi.h"
#include "common/error.h"
#include "frame/label_format.h"
#include "sheets/sheet_neighbours.h"
#include "sheets/uttfhao.h"

namespace tarvik::cli {
namespace {

const std::string kUsage =
    "Usage: tarvik-cli sheet-info NUMBER [--neighbours] [--json]\n"
    "       tarvik-cli sheet-info X-Y --scale 500|1000|2000|5000 [--rect LAYOUT] [--neighbours] [--json]\n\n"
    "Decodes a sheet number of the national map series, current (E45G095066) or\n"
    "old dash-separated (J-50-5-(24)-b), and prints its current form, scale,\n"
    "south-west corner and size (decimal degrees and D°MM′SS″), and the central\n"
    "meridian of the 3-degree zone of its west edge (the suggestion the window\n"
    "makes when the sheet-number box is left).\n"
    "A large-scale rectangular number (3810.40-500.75: the south-west corner in km,\n"
    "x northing first) is read at the scale of --scale; it prints the layout,\n"
    "the south-west corner and the size in metres.\n\n"
    "Options:\n"
    "  --neighbours  also the eight neighbouring sheets' numbers: across the\n"
    "                1:1,000,000 sheets' borders, column 60 followed by column 01\n"
    "                at 180 degrees, none north of row V or south of row A\n"
    "  --json        one JSON object with the keys number, scale, west, south,\n"
    "                lon_size, lat_size (decimal degrees) and central_meridian;\n"
    "                for a rectangular number number, scale, layout, x, y, x_size,\n"
    "                y_size (metres); with --neighbours also neighbours, an\n"
    "                object of nw, n, ne, w, e, sw, s, se (null where none)\n"
    "  --scale N     the scale of a rectangular number\n"
    "  --progress json  the same object as the \"info\" of a summary line on stdout\n"
    "                (errors in its \"errors\"); --progress-fd N: on descriptor N\n" +
    std::string(RectOptionHelp());

std::string JsonNeighbours(const NeighbourNumbers& numbers) {
  std::string out = "{";
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) out += ", ";
    out += JsonString(NeighbourKey(i));
    out += ": ";
    out += numbers[i].empty() ? "null" : JsonString(numbers[i]);
  }
  return out + "}";
}

// The 3 x 3 picture of the sheet among its neighbours, north up.
void PrintNeighbours(const std::string& number, const NeighbourNumbers& numbers) {
  std::size_t width = number.size() + 2;
  for (const auto& n : numbers) width = std::max(width, n.size());
  std::cout << "相邻图幅:   (上北，- 为无图幅)\n";
  for (int j = 0; j <= 2; ++j) {
    std::cout << " ";
    for (int i = 0; i <= 2; ++i) {
      const int k = NeighbourIndexOfCell(i, j);
      std::string cell;
      if (k < 0)
        cell.append("[").append(number).append("]");
      else
        cell = numbers[static_cast<std::size_t>(k)].empty() ? "-" : numbers[static_cast<std::size_t>(k)];
      if (i < 2) cell.resize(width, ' ');
      std::cout << " " << cell;
    }
    std::cout << "\n";
  }
}

int RectInfo(const Args& args, const std::string& text, ProgressChannel& progress) {
  const auto scale = args.integer("--scale");
  if (!scale) throw UsageError("矩形图幅号需要 --scale 500、1000、2000 或 5000");
  const RectSheet sheet = RectSheetOfNumber(text, static_cast<long>(*scale), args);
  const bool neighbours = args.flag("--neighbours");
  if (args.flag("--json") || progress.on()) {
    std::ostringstream json;
    json << "{\"number\": " << JsonString(sheet.number()) << ", \"scale\": " << sheet.denominator
         << ", \"layout\": " << JsonString(RectLayoutName(sheet.layout)) << ", \"x\": " << sheet.south()
         << ", \"y\": " << sheet.west() << ", \"x_size\": " << sheet.xSize()
         << ", \"y_size\": " << sheet.ySize();
    if (neighbours) json << ", \"neighbours\": " << JsonNeighbours(RectNeighbours(sheet));
    json << "}";
    progress.summary("done", kExitOk, JsonMembers().raw("info", json.str()).text());
    if (args.flag("--json")) {
      std::cout << json.str() << "\n";
      return kExitOk;
    }
  }
  std::cout << "图幅号:     " << sheet.number() << "\n"
            << "比例尺:     1:" << sheet.denominator << "\n"
            << "图幅:       " << RectLayoutName(sheet.layout) << "厘米，实地 x " << sheet.xSize()
            << " 米 × y " << sheet.ySize() << " 米\n"
            << "西南角:     x " << sheet.south() << " 米，y " << sheet.west() << " 米\n";
  if (neighbours) PrintNeighbours(sheet.number(), RectNeighbours(sheet));
  return kExitOk;
}

// A number refused: the reasons told, as the summary's errors too.
int Refused(const CliFeedback& feedback, ProgressChannel& progress) {
  progress.summary("refused", kExitRefused, JsonMembers().strings("errors", feedback.messages()).text());
  return kExitRefused;
}

int Run(const std::vector<std::string>& argv, ProgressChannel& progress) {
  const Args args(argv, {"--scale", "--rect"}, {"--json", "--neighbours"});
  if (args.positional().size() != 1) throw UsageError("需要一个图幅号");
  const std::string& text = args.positional()[0];
  if (LooksLikeRectNumber(text)) return RectInfo(args, text, progress);
  if (args.value("--scale") || args.value("--rect"))
    throw UsageError("--scale 和 --rect 只用于矩形图幅号 (x-y)；国家基本比例尺图幅号自带比例尺");

  CliFeedback feedback(&progress);
  const std::string number = NormalizeMapNo(text, feedback);
  if (number.empty()) return Refused(feedback, progress);
  const auto extent = DecodeMapNo(number, feedback);
  if (!extent) return Refused(feedback, progress);
  std::optional<NeighbourNumbers> neighbours;
  if (args.flag("--neighbours")) {
    neighbours = SheetNeighbours(number, feedback);
    if (!neighbours) return Refused(feedback, progress);
  }
  // From the text as typed: a whole 1:1,000,000 sheet has no ten-character form.
  const long double cm = SuggestCentralMeridian(text, feedback);
  const long scale = ScaleDenominatorOfIndex(extent->scaleIndex);

  if (args.flag("--json") || progress.on()) {
    std::ostringstream json;
    json << "{\"number\": " << JsonString(number) << ", \"scale\": " << scale
         << ", \"west\": " << JsonNumber(static_cast<double>(extent->westLon))
         << ", \"south\": " << JsonNumber(static_cast<double>(extent->southLat))
         << ", \"lon_size\": " << JsonNumber(static_cast<double>(extent->lonSize))
         << ", \"lat_size\": " << JsonNumber(static_cast<double>(extent->latSize))
         << ", \"central_meridian\": " << JsonNumber(static_cast<double>(cm));
    if (neighbours) json << ", \"neighbours\": " << JsonNeighbours(*neighbours);
    json << "}";
    // A number the codec reads is told in full: the summary's info.
    progress.summary("done", kExitOk, JsonMembers().raw("info", json.str()).text());
    if (args.flag("--json")) {
      std::cout << json.str() << "\n";
      return kExitOk;
    }
  }
  std::cout << "图幅号:     " << number << "\n"
            << "比例尺:     1:" << scale << "\n"
            << "西南角经度: " << FloatToStr(extent->westLon) << "  (" << FormatDMS(extent->westLon) << ")\n"
            << "西南角纬度: " << FloatToStr(extent->southLat) << "  (" << FormatDMS(extent->southLat) << ")\n"
            << "经差:       " << FloatToStr(extent->lonSize) << "  (" << FormatDMS(extent->lonSize) << ")\n"
            << "纬差:       " << FloatToStr(extent->latSize) << "  (" << FormatDMS(extent->latSize) << ")\n"
            << "中央经线:   " << FloatToStr(cm) << "  (3度带)\n";
  if (neighbours) PrintNeighbours(number, *neighbours);
  return kExitOk;
}

const CommandRegistration kRegistration({"sheet-info",
                                         "decode a sheet number: scale, corner, size, zone, neighbours",
                                         kUsage, nullptr, &Run});

}  // namespace
}  // namespace tarvik::cli
