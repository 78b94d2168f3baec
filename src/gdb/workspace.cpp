#include "gdb/workspace.h"

#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "gdb/frame_catalog.h"
#include "gdb/geopackage_sql.h"
#include "gdb/store.h"

namespace tarvik {

OutputWorkspace::OutputWorkspace(std::shared_ptr<detail::Store> store) : store_(std::move(store)) {}
OutputWorkspace::OutputWorkspace(OutputWorkspace&&) noexcept = default;
OutputWorkspace& OutputWorkspace::operator=(OutputWorkspace&& other) noexcept {
  if (this != &other) {
    try {
      if (store_) store_->close();
    } catch (...) {}
    store_ = std::move(other.store_);
  }
  return *this;
}
OutputWorkspace::~OutputWorkspace() {
  try {
    if (store_) store_->close();
  } catch (...) {}
}

OutputKind OutputWorkspace::kind() const { return store_->kind; }
const std::string& OutputWorkspace::path() const { return store_->path; }
bool OutputWorkspace::isOpen() const { return store_ && store_->open(); }
void OutputWorkspace::commit() {
  if (store_) store_->commit();
}
void OutputWorkspace::abandon() {
  if (store_) store_->abandon();
}
void OutputWorkspace::setInputTransform(const std::string& text) {
  if (store_) store_->inputTransform = text;
}

void OutputWorkspace::setFrameNorthDiagram(const std::string& numbers) {
  if (!store_) return;
  for (detail::CatalogRow& row : store_->pendingRows)
    if (row.kind == "dataset") row.northDiagram = numbers;
}

void OutputWorkspace::close() {
  if (store_) store_->close();
}

namespace {

const char* DriverName(OutputKind kind) { return kind == OutputKind::FileGdb ? "OpenFileGDB" : "GPKG"; }

}  // namespace

namespace {

// The workspace over a freshly opened or created output dataset.
OutputWorkspace WrapOutput(GDALDataset* ds, const std::string& path, OutputKind kind) {
  auto store = std::make_shared<detail::Store>();
  store->ds.reset(ds);
  store->path = path;
  store->kind = kind;
  store->output = true;
  detail::LoadNames(*store);
  if (kind == OutputKind::GeoPackage) detail::gpkg::PrepareForWriting(ds);
  return OutputWorkspace(std::move(store));
}

}  // namespace

OutputWorkspace CreateOutputWorkspace(const std::string& rawPath) {
  const std::string path = WithoutTrailingSeparators(rawPath);
  const OutputKind kind = OutputKindOf(path);
  gdal::EnsureRegistered();
  std::error_code ec;
  const auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  if (std::filesystem::exists(path, ec)) throw RunError("不能创立输出" + path + "：已经存在");
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(DriverName(kind));
  if (!driver) throw RunError(std::string("GDAL 缺少驱动 ") + DriverName(kind) + "，不能创立输出" + path);
  gdal::Options options;
  // No gpkg_ogr_contents: its two triggers per class would double the size
  // of the file's schema, which SQLite walks on every new table, for a
  // feature count that readers get as quickly by counting a frame's few
  // hundred features.
  if (kind == OutputKind::GeoPackage) options.set("ADD_GPKG_OGR_CONTENTS", "NO");
  GDALDataset* ds =
      gdal::Quietly([&] { return driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, options.get()); });
  if (!ds) throw RunError("不能创立输出" + path + "：" + gdal::LastError("未知原因"));
  return WrapOutput(ds, path, kind);
}

std::optional<OutputWorkspace> OpenOutputWorkspace(const std::string& rawPath, UserFeedback& feedback) {
  const std::string path = WithoutTrailingSeparators(rawPath);
  const OutputKind kind = OutputKindOf(path);
  if (!OutputExists(path)) {
    feedback.message(rawPath + "文件不存在");
    return std::nullopt;
  }
  gdal::EnsureRegistered();
  GDALDataset* ds = gdal::OpenForUpdate(path, DriverName(kind)).release();
  if (!ds) throw RunError("不能打开输出" + path + "：" + gdal::LastError("不是可写的数据库"));
  return WrapOutput(ds, path, kind);
}

OutputWorkspace OpenOrCreateOutputWorkspace(const std::string& path, UserFeedback& feedback) {
  if (OutputExists(path)) {
    if (auto ws = OpenOutputWorkspace(path, feedback)) return std::move(*ws);
  }
  return CreateOutputWorkspace(path);
}

}  // namespace tarvik
