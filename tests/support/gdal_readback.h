// Reading an output store back with GDAL itself, for end-to-end tests: what
// any GIS would see, independent of the program's own reader.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tarvik::test {

struct XY {
  double x = 0, y = 0;
};

struct ReadFeature {
  long long fid = 0;
  std::map<std::string, std::string> fields;  // every field as text
  std::vector<std::vector<XY>> parts;         // lines: paths; polygons: rings
  XY point;                                   // points
  int id() const { return fields.count("ID") ? std::stoi(fields.at("ID")) : -1; }
  std::string text() const { return fields.count("TextString") ? fields.at("TextString") : ""; }
};

struct ReadLayer {
  std::string name;
  std::string geometryType;  // OGR's name, e.g. "Multi Line String"
  int epsg = 0;              // authority code of the layer's reference (0 when none)
  std::string wkt;           // the layer's reference as WKT (empty when none)
  std::string fidColumn, geometryColumn;
  std::vector<std::string> fieldNames;
  std::vector<ReadFeature> features;
  int countId(int id) const {
    int n = 0;
    for (const auto& f : features) n += f.id() == id;
    return n;
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& f : features) out.push_back(f.text());
    return out;
  }
};

struct ReadStore {
  std::map<std::string, ReadLayer> layers;
  // File Geodatabase feature datasets and the layers in each (empty for GeoPackage).
  std::map<std::string, std::vector<std::string>> groups;
  bool has(const std::string& layer) const { return layers.count(layer) > 0; }
};

// Opens the store read-only with GDAL and reads every layer. Fails the
// calling test (ADD_FAILURE) when it does not open.
ReadStore ReadWithGdal(const std::string& path);

}  // namespace tarvik::test
