#include "coords/datum.h"

#include <array>

#include "common/text_util.h"

namespace tarvik {
namespace {

constexpr TextbookSeries kXian80Series = {6399596.65198801L, 0.0067395018195L, 111133.0047L, 32009.8575L,
                                          133.9602,          0.6976,           0.0039};

constexpr TextbookSeries kBeijing54Series = {6399698.90178271L, 0.0067385254147L, 111134.8611L, 32005.7799L,
                                             133.9238,          0.6973,           0.0039};

// Blocks: 3-degree zones 25..45 and 6-degree zones 13..23, each with and
// without the zone number in the easting.
constexpr EpsgZoneBlock kXian80Blocks[] = {
    {2349, true, true, 25, 21, true},
    {2370, true, false, 25, 21, true},
    {2327, false, true, 13, 11, true},
    {2338, false, false, 13, 11, true},
};

// Beijing 1954, 6-degree zones without the number: stored frames carry the
// "Gauss-Kruger 13N".."23N" codes 21473.., which EPSG has deprecated in
// favour of the equal "CM 75E".. codes 21453..; both are recognised.
constexpr EpsgZoneBlock kBeijing54Blocks[] = {
    {2401, true, true, 25, 21, true},     {2422, true, false, 25, 21, true},
    {21413, false, true, 13, 11, true},   {21473, false, false, 13, 11, true},
    {21453, false, false, 13, 11, false},
};

constexpr EpsgZoneBlock kCgcs2000Blocks[] = {
    {4513, true, true, 25, 21, true},
    {4534, true, false, 25, 21, true},
    {4491, false, true, 13, 11, true},
    {4502, false, false, 13, 11, true},
};

constexpr std::array<DatumInfo, 4> kDatums = {{
    {Datum::Xian80, "xian80", "西安80", "1980西安坐标系", "Xian 1980", 6378140, 298.257, &kXian80Series, 4610,
     6610, kXian80Blocks},
    {Datum::Beijing54, "beijing54", "北京54", "1954年北京坐标系", "Beijing 1954", 6378245, 298.3,
     &kBeijing54Series, 4214, 6214, kBeijing54Blocks},
    {Datum::Wgs84,
     "wgs84",
     "WGS84",
     "WGS84坐标系",
     "WGS 84",
     6378137,
     298.257223563,
     nullptr,
     4326,
     6326,
     {}},
    {Datum::Cgcs2000, "cgcs2000", "CGCS2000", "2000国家大地坐标系", "CGCS2000", 6378137, 298.257222101,
     nullptr, 4490, 1043, kCgcs2000Blocks},
}};

}  // namespace

std::span<const DatumInfo> Datums() { return kDatums; }

const DatumInfo& InfoOf(Datum datum) { return kDatums[static_cast<std::size_t>(datum)]; }

std::optional<Datum> DatumOfIndex(int index) {
  if (index < 0 || index >= static_cast<int>(kDatums.size())) return std::nullopt;
  return kDatums[static_cast<std::size_t>(index)].datum;
}

std::optional<Datum> DatumOfKey(std::string_view key) {
  const std::string lower = ToLowerAscii(std::string(key));
  for (const auto& d : kDatums)
    if (lower == d.key) return d.datum;
  return std::nullopt;
}

std::string DatumKeyList() {
  std::string out;
  for (std::size_t i = 0; i < kDatums.size(); ++i) {
    if (i > 0) out += i + 1 == kDatums.size() ? " 或 " : "、";
    out += kDatums[i].key;
  }
  return out;
}

std::string DatumCaptions() {
  std::string out;
  for (const auto& d : kDatums) out += (out.empty() ? "" : "、") + std::string(d.caption);
  return out;
}

int ProjectedEpsgCode(Datum datum, int zone, bool is3Degree, bool addZone) {
  for (const auto& b : InfoOf(datum).zoneBlocks) {
    if (!b.forOutput || b.is3Degree != is3Degree || b.addZone != addZone) continue;
    if (zone < b.firstZone || zone >= b.firstZone + b.zoneCount) return 0;
    return b.firstCode + (zone - b.firstZone);
  }
  return 0;
}

std::optional<ZoneCode> ZoneOfEpsgCode(int code) {
  for (const auto& d : kDatums) {
    for (const auto& b : d.zoneBlocks) {
      if (code < b.firstCode || code >= b.firstCode + b.zoneCount) continue;
      const int zone = b.firstZone + (code - b.firstCode);
      const long double cm = b.is3Degree ? zone * 3.0L : zone * 6.0L - 3;
      return ZoneCode{d.datum, b.is3Degree, b.addZone, zone, cm};
    }
  }
  return std::nullopt;
}

std::optional<Datum> DatumOfGeographicEpsg(int code) {
  for (const auto& d : kDatums)
    if (d.geographicEpsg == code) return d.datum;
  return std::nullopt;
}

}  // namespace tarvik
