// tarvik-cli sheet-info NUMBER [--json]: what a sheet number stands for.
#include <iostream>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/json.h"
#include "common/delphi.h"
#include "frame/label_format.h"
#include "sheets/uttfhao.h"

namespace tarvik::cli {
namespace {

const char* kUsage =
    "Usage: tarvik-cli sheet-info NUMBER [--json]\n\n"
    "Decodes a sheet number of the national map series, current (E45G095066) or\n"
    "old dash-separated (J-50-5-(24)-b), and prints its current form, scale,\n"
    "south-west corner and size (decimal degrees and D°MM′SS″), and the central\n"
    "meridian of the 3-degree zone of its west edge (the suggestion the window\n"
    "makes when the sheet-number box is left).\n\n"
    "Options:\n"
    "  --json   one JSON object with the keys number, scale, west, south,\n"
    "           lon_size, lat_size (decimal degrees) and central_meridian\n";

int Run(const std::vector<std::string>& argv) {
  try {
    const Args args(argv, {}, {"--json"});
    if (args.positional().size() != 1) throw UsageError("需要一个图幅号");
    const std::string& text = args.positional()[0];

    CliFeedback feedback;
    const std::string number = NormalizeMapNo(text, feedback);
    if (number.empty()) return kExitRefused;
    const auto extent = DecodeMapNo(number, feedback);
    if (!extent) return kExitRefused;
    // From the text as typed: a whole 1:1,000,000 sheet has no ten-character form.
    const long double cm = SuggestCentralMeridian(text, feedback);
    const long scale = ScaleDenominatorOfIndex(extent->scaleIndex);

    if (args.flag("--json")) {
      std::cout << "{\"number\": " << JsonString(number) << ", \"scale\": " << scale
                << ", \"west\": " << JsonNumber(static_cast<double>(extent->westLon))
                << ", \"south\": " << JsonNumber(static_cast<double>(extent->southLat))
                << ", \"lon_size\": " << JsonNumber(static_cast<double>(extent->lonSize))
                << ", \"lat_size\": " << JsonNumber(static_cast<double>(extent->latSize))
                << ", \"central_meridian\": " << JsonNumber(static_cast<double>(cm)) << "}\n";
      return kExitOk;
    }
    std::cout << "图幅号:     " << number << "\n"
              << "比例尺:     1:" << scale << "\n"
              << "西南角经度: " << FloatToStr(extent->westLon) << "  (" << FormatDMS(extent->westLon)
              << ")\n"
              << "西南角纬度: " << FloatToStr(extent->southLat) << "  ("
              << FormatDMS(extent->southLat) << ")\n"
              << "经差:       " << FloatToStr(extent->lonSize) << "  (" << FormatDMS(extent->lonSize)
              << ")\n"
              << "纬差:       " << FloatToStr(extent->latSize) << "  (" << FormatDMS(extent->latSize)
              << ")\n"
              << "中央经线:   " << FloatToStr(cm) << "  (3度带)\n";
    return kExitOk;
  } catch (const UsageError& e) {
    std::cerr << "tarvik-cli sheet-info: " << e.what() << "\n" << kUsage;
    return kExitUsage;
  }
}

const CommandRegistration kRegistration({"sheet-info", "decode a sheet number: scale, corner, size, zone",
                                         kUsage, &Run});

}  // namespace
}  // namespace tarvik::cli
