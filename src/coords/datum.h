// The datums Tarvik draws on, as one table: what the window, the settings
// file, the command line, the conversions, the spatial references and the
// map margin need to know of each. A new datum is a new row here (and, if
// it has EPSG-coded Gauss-Krueger zones, its blocks).
//
// The order of the rows is the order of the window's datum choices; the
// settings file stores the index, so rows are only ever appended.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvik {

enum class Datum : int { Xian80 = 0, Beijing54 = 1, Wgs84 = 2, Cgcs2000 = 3 };

// Constants of the classical series of the Chinese surveying textbooks (the
// frames of Xi'an 1980 and Beijing 1954 have always been computed with
// them): the polar radius of curvature c = a^2/b (m), the second
// eccentricity squared e'^2, the meridian arc
//   X(B) = arcPerDegree B - (arc1 sin B + arc3 sin^3 B + arc5 sin^5 B + arc7 sin^7 B) cos B
// (B in degrees in the first term). They serve the forward conversion; the
// inverse goes through the exact transverse Mercator of the datum's ellipsoid.
struct TextbookSeries {
  long double c;
  long double ep2;
  long double arcPerDegree;
  long double arc1;
  double arc3, arc5, arc7;
};

// A block of consecutive EPSG codes of Gauss-Krueger zones: code
// firstCode + (zone - firstZone) for zones firstZone .. firstZone + zoneCount - 1.
struct EpsgZoneBlock {
  int firstCode;
  bool is3Degree;
  bool addZone;    // eastings carry the zone number
  int firstZone;   // 25 for 3-degree zones (CM 75E), 13 for 6-degree zones (CM 75E)
  int zoneCount;   // 21 (3-degree) or 11 (6-degree): central meridians 75E..135E
  bool forOutput;  // the block written for output; false: recognised on input only
};

struct DatumInfo {
  Datum datum;
  const char* key;         // command-line name: "xian80", "beijing54", "wgs84", "cgcs2000"
  const char* caption;     // the window's choice: "西安80", "北京54", "WGS84", "CGCS2000"
  const char* marginName;  // as printed on a map: "1980西安坐标系", ...
  const char* crsName;     // prefix of the names of custom projected systems: "Xian 1980", ...
  double a;                // semi-major axis, metres
  double inverseFlattening;
  // The textbook series for this datum; null: the transverse Mercator series
  // in the third flattening (Krueger), as in PROJ and GeographicLib.
  const TextbookSeries* textbook;
  int geographicEpsg;  // 4610, 4214, 4326, 4490
  int datumEpsg;       // the EPSG code of the geodetic datum itself (6610, 6214, 6326, 1043)
  std::span<const EpsgZoneBlock> zoneBlocks;  // empty: no EPSG-coded zones (custom systems)
};

// Every datum, in the order of the window's choices.
std::span<const DatumInfo> Datums();
const DatumInfo& InfoOf(Datum datum);
// The datum of a window/settings index; none for an index out of range.
std::optional<Datum> DatumOfIndex(int index);
inline int IndexOf(Datum datum) { return static_cast<int>(datum); }
// The datum of a command-line name (letter case ignored); none when unknown.
std::optional<Datum> DatumOfKey(std::string_view key);
// "xian80、beijing54、wgs84 或 cgcs2000": the names for help and messages.
std::string DatumKeyList();
// "西安80、北京54、WGS84、CGCS2000": the window's names, for messages.
std::string DatumCaptions();

// The EPSG code of a Gauss-Krueger zone of the datum as written for output;
// 0 when the datum has no coded zone there.
int ProjectedEpsgCode(Datum datum, int zone, bool is3Degree, bool addZone);

// What an EPSG code of a Gauss-Krueger zone (any block, output or not) says.
struct ZoneCode {
  Datum datum;
  bool is3Degree;
  bool addZone;
  int zone;
  long double centralMeridian;  // degrees east
};
std::optional<ZoneCode> ZoneOfEpsgCode(int code);
// The datum whose geographic system has this EPSG code.
std::optional<Datum> DatumOfGeographicEpsg(int code);

}  // namespace tarvik
