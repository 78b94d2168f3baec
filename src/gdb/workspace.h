// The output store of a run: a File Geodatabase (".gdb" directory) or a
// GeoPackage (".gpkg" file), opened or created once per run.
//
// Typical use by a frame builder:
//   OutputWorkspace ws = OpenOrCreateOutputWorkspace(path, feedback);
//   per frame: CreateFrameDataset, CreateFrameClass (lines, polygons),
//              CreateFrameAnnotationClass, then a LineBuffer and an
//              AnnotationBatch (see feature_class.h, annotation.h);
//   ws.commit() once the frame is drawn (ws.abandon() when it failed);
//   ws.close() at the end (the destructor closes too).
// A frame is kept or undone as a whole: on a GeoPackage it is one
// transaction; on a File GDB its classes, then the catalog, are flushed to
// the files at its commit. A frame still open when the next frame's dataset
// is created, or at close, is committed then.
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
  // Ends the current frame keeping what it wrote, on disk when this returns
  // (a killed program keeps it). RunError when the store does not take it
  // (a full disk: the message says so); the frame is then undone and the
  // store takes nothing more.
  void commit();
  // Undoes the current frame: its classes and features are removed (a
  // GeoPackage rolls it back) and it is not listed. Never throws.
  void abandon();
  // Commits and closes the store; its classes become unusable. RunError
  // when the last frame or the closing fails.
  void close();
  // Every catalog row of the run says how its input reached the output's
  // system ("" when it was in it).
  void setInputTransform(const std::string& text);
  // The current frame's catalog row (its dataset's) gets the numbers of its
  // three-north diagram.
  void setFrameNorthDiagram(const std::string& numbers);

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
