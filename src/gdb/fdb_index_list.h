// The list of a File GDB table's indexes (its "aXXXXXXXX.gdbindexes" file),
// read and changed while the dataset is closed. Internal to src/gdb.
//
// GDAL's File GDB writer rebuilds every index a table lists from all of its
// rows whenever it flushes the table after a change: the shared classes of
// a long run, flushed once a batch, would have their spatial index built
// again and again (a 300 000-sheet run: twelve builds of up to 30 million
// features, two thirds of the run). Listed without it, the class is flushed
// without an index; listed with it again before the last flush, the index
// is built once, from every row, as GDAL builds it for any class.
//
// The file holds a count (uint32) and per index its name (uint32 count of
// UTF-16 code units, then the units), 12 bytes of flags (the kind at bytes
// 2-5: 16 OBJECTID, 4 spatial, 2 attribute), its expression (a field name,
// counted the same way) and 2 bytes; little-endian throughout.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class OGRLayer;

namespace tarvik::detail {

// The tables the system catalog of the File GDB at `gdb` lists, each with
// its number (the row's); none when the catalog cannot be read.
std::optional<std::vector<std::pair<std::string, std::uint64_t>>> FdbSystemCatalog(const std::string& gdb);

// The "aXXXXXXXX" stem of a table's files.
std::string FdbTableStem(std::uint64_t number);

// The stems of the tables of the File GDB at `gdb` by their upper-cased
// names (empty when its catalog cannot be read).
std::map<std::string, std::string> FdbTableStems(const std::string& gdb);

// Takes the index on `geometryField` out of the list of the table `stem`
// and removes its .spx. False, with nothing changed, when the list cannot
// be read or written (the class then keeps GDAL's index).
bool UnlistSpatialIndex(const std::string& gdb, const std::string& stem, const std::string& geometryField);

// Lists the spatial index on `geometryField` again, as GDAL lists the one it
// makes with a class ("FDO_<field>", after the OBJECTID index), unless it
// is listed. False when the list cannot be read or written.
bool ListSpatialIndex(const std::string& gdb, const std::string& stem, const std::string& geometryField);

// Whether the list of the table `stem` holds an index on `geometryField`
// (false too when the list cannot be read).
bool ListsSpatialIndex(const std::string& gdb, const std::string& stem, const std::string& geometryField);

// Whether the table `stem` has a spatial index file (a regular file).
bool HasSpatialIndexFile(const std::string& gdb, const std::string& stem);

// What rebuilding a class's listed indexes came to: whether the class has
// rows (an empty one needs no index file, as GDAL makes one), and whether
// GDAL built them without an error.
struct IndexBuild {
  bool rows = true, built = false;
};

// Has GDAL build the listed indexes of `layer`, a class of the File GDB at
// `gdb` open for update, from all of its rows: GDAL builds them when it
// flushes a class after a change, so one feature is written again as it
// is. Not built when the write fails or leaves the disk full.
IndexBuild RebuildListedIndexes(OGRLayer* layer, const std::string& gdb);

// Once the store is closed: a spatial index GDAL did not build whole for a
// class with rows is unlisted again (the class reads as one without an
// index), never left listed with its file missing or cut short.
void SettleSpatialIndex(const std::string& gdb, const std::string& stem, const std::string& geometryField,
                        const IndexBuild& build);

// After a killed run of the shared layout was put back to its last batch:
// the shared classes of the File GDB at `gdb` that were left without their
// spatial index get it. An index that cannot be built is left unlisted.
void RestoreSharedSpatialIndexes(const std::string& gdb);

}  // namespace tarvik::detail
