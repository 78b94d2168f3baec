// The output store of a run: a File Geodatabase (".gdb" directory) or a
// GeoPackage (".gpkg" file), opened or created once per run.
//
// Typical use by a frame builder:
//   OutputWorkspace ws = OpenOrCreateOutputWorkspace(path, feedback);
//   per frame: CreateFrameDataset, CreateFrameClass (lines, polygons),
//              CreateFrameAnnotationClass, then a LineBuffer and an
//              AnnotationBatch (see feature_class.h, annotation.h);
//   ws.close() at the end (the destructor closes too).
// On a GeoPackage each frame is one transaction, committed when the next
// frame's dataset is created, on commit() and on close.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/user_feedback.h"
#include "gdb/output_kind.h"

namespace tarvik {

namespace detail {
struct Store;
}

class OutputWorkspace {
 public:
  OutputWorkspace(OutputWorkspace&&) noexcept;
  OutputWorkspace& operator=(OutputWorkspace&&) noexcept;
  OutputWorkspace(const OutputWorkspace&) = delete;
  OutputWorkspace& operator=(const OutputWorkspace&) = delete;
  ~OutputWorkspace();  // closes

  OutputKind kind() const;
  const std::string& path() const;
  bool isOpen() const;
  // Keeps everything written so far (GeoPackage: commits the current frame).
  void commit();
  // Commits and closes the store; its classes become unusable.
  void close();

  // For src/gdb.
  const std::shared_ptr<detail::Store>& store() const { return store_; }
  explicit OutputWorkspace(std::shared_ptr<detail::Store> store);

 private:
  std::shared_ptr<detail::Store> store_;
};

// Creates a new, empty output store at `path`, its parent directories as
// needed. RunError for a path of another kind and when the store cannot be
// created (it already exists, no permission, ...), with GDAL's reason.
OutputWorkspace CreateOutputWorkspace(const std::string& path);

// Opens an existing output store for adding frames. A missing store shows
// path + "文件不存在" through `feedback` and gives none; a store that exists
// but does not open ends the run with a RunError.
std::optional<OutputWorkspace> OpenOutputWorkspace(const std::string& path, UserFeedback& feedback);

// Opens the output when it exists (the directory of a .gdb, the file of a
// .gpkg), creates it otherwise.
OutputWorkspace OpenOrCreateOutputWorkspace(const std::string& path, UserFeedback& feedback);

}  // namespace tarvik
