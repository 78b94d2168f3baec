#include "gdb/store_trust.h"

#include <algorithm>
#include <map>

#include "gdb/frame_catalog.h"
#include "gdb/gdal_handles.h"
#include "gdb/output_kind.h"

namespace tarvik::detail {
namespace {

constexpr std::size_t kShown = 5;

// The FIDs of the layer in order; false when GDAL fails to read it to its
// end.
bool ReadFids(OGRLayer* layer, std::vector<std::int64_t>& fids) {
  if (!layer) return false;
  std::vector<std::string> names;
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) names.push_back(defn->GetFieldDefn(i)->GetNameRef());
  std::vector<const char*> ignored;
  for (const std::string& n : names) ignored.push_back(n.c_str());
  ignored.push_back("OGR_GEOMETRY");
  ignored.push_back(nullptr);
  return gdal::Quietly([&] {
    CPLErrorReset();
    layer->SetIgnoredFields(ignored.data());
    layer->ResetReading();
    while (gdal::FeaturePtr f{layer->GetNextFeature()}) fids.push_back(f->GetFID());
    layer->SetIgnoredFields(nullptr);
    std::sort(fids.begin(), fids.end());
    return CPLGetLastErrorType() < CE_Failure;
  });
}

// GDAL reads a class's header when it is first asked for it.
OGRLayer* LayerOf(GDALDataset& ds, const std::string& name) {
  return gdal::Quietly([&] { return ds.GetLayerByName(name.c_str()); });
}

bool AllThere(const std::vector<std::int64_t>& fids, std::int64_t first, std::int64_t last) {
  if (last <= 0) return true;
  const auto from = std::lower_bound(fids.begin(), fids.end(), first);
  const auto to = std::upper_bound(fids.begin(), fids.end(), last);
  return to - from == last - first + 1;
}

}  // namespace

StoreTrust AssessStore(const std::string& path) {
  StoreTrust trust;
  gdal::EnsureRegistered();
  const char* drivers[] = {IsFileGdbPath(path) ? "OpenFileGDB" : "GPKG", nullptr};
  gdal::DatasetPtr ds(gdal::Quietly([&] {
    gdal::QuickIdentification quick;
    return GDALDataset::FromHandle(
        GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, nullptr, nullptr));
  }));
  if (!ds) return trust;
  OGRLayer* catalog = LayerOf(*ds, kCatalogTable);
  if (!catalog) return trust;
  trust.readable = true;
  // The shared classes, read once; a frame's own classes, by dataset.
  std::map<std::string, std::vector<std::int64_t>> sharedFids;
  std::map<std::string, bool> sharedRead;
  std::map<std::string, std::vector<std::string>> ownClasses;
  std::vector<std::string> ownOrder;
  std::map<std::string, std::string> sharedClassOf[3];  // dataset -> class, per kind
  // The rows in two passes, none held: the datasets and classes, then the
  // frames of the shared layout.
  gdal::Quietly([&] {
    ForEachCatalogRow(
        catalog,
        [&](const CatalogRow& row) {
          if (row.kind == "frame") return;
          if (!row.frameField.empty()) {
            if (row.kind == "dataset") return;
            const int k = row.kind == "line" ? 0 : row.kind == "polygon" ? 1 : 2;
            sharedClassOf[k][row.dataset] = row.item;
            return;
          }
          if (!ownClasses.count(row.dataset)) ownOrder.push_back(row.dataset);
          std::vector<std::string>& classes = ownClasses[row.dataset];
          if (row.kind != "dataset") classes.push_back(row.item);
        },
        "kind <> 'frame'");
  });
  const auto judge = [&](const std::string& frame, bool whole) {
    ++trust.listed;
    if (whole)
      ++trust.whole;
    else if (trust.incomplete.size() < kShown)
      trust.incomplete.push_back(frame);
  };
  gdal::Quietly([&] {
    ForEachCatalogRow(
        catalog,
        [&](const CatalogRow& row) {
          if (row.frameField.empty()) return;
          bool whole = true;
          for (int k = 0; k < 3 && whole; ++k) {
            const auto cls = sharedClassOf[k].find(row.dataset);
            if (cls == sharedClassOf[k].end()) continue;
            if (!sharedRead.count(cls->second))
              sharedRead[cls->second] = ReadFids(LayerOf(*ds, cls->second), sharedFids[cls->second]);
            whole =
                sharedRead[cls->second] && AllThere(sharedFids[cls->second], row.idFirst[k], row.idLast[k]);
          }
          judge(row.frame, whole);
        },
        "kind = 'frame'");
  });
  for (const std::string& dataset : ownOrder) {
    bool whole = true;
    for (const std::string& cls : ownClasses[dataset]) {
      std::vector<std::int64_t> fids;
      whole = whole && ReadFids(LayerOf(*ds, cls), fids);
    }
    judge(dataset.size() > 1 ? dataset.substr(1) : dataset, whole);
  }
  return trust;
}

std::string DescribeTrust(const StoreTrust& t) {
  if (!t.readable) return "GDAL不能读出它的图廓目录，其中没有可以信赖的图廓";
  std::string text = "GDAL能完整读出其中的 " + std::to_string(t.whole) + " 个图廓（共列出 " +
                     std::to_string(t.listed) + " 个";
  if (!t.incomplete.empty()) {
    text += "；不完整的有";
    for (std::size_t i = 0; i < t.incomplete.size(); ++i) text += (i ? "、" : "") + t.incomplete[i];
    if (t.listed - t.whole > static_cast<int>(t.incomplete.size())) text += "等";
  }
  return text + "）";
}

}  // namespace tarvik::detail
