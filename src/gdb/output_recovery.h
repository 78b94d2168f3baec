// What a Tarvik program does before it reads an output that a killed run
// may have left unfinished, under the output's lock so that no run writes
// it meanwhile:
// - a File GDB of the shared layout is put back as its last batch left it
//   (gdb_checkpoint.h); a checkpoint that cannot be used is set aside and
//   the opening refused;
// - the half-written classes of the frame a per-frame File GDB run was
//   making are removed (frame_marker.h);
// - a GeoPackage's hot journal (SQLite's record of a transaction a kill
//   interrupted) is rolled back by opening the file for writing once:
//   until then programs that open it read-only (ogrinfo -ro) cannot read it.
// A File GDB is written in place, so while a run writes it no program of
// ours reads it; a GeoPackage can be read meanwhile (SQLite shows its last
// committed transaction).
#pragma once

#include <string>

namespace tarvik {

// Makes the output at `path` ready to be read; what was done, for the
// person ("" when nothing was left). RunError when it cannot be read: a File
// GDB that another run is writing now, or one whose leftovers could not be
// used (the message says which frames GDAL reads whole and what to do).
// `callerHoldsLock`: the caller is the run that holds the output's lock
// (it reads what it wrote, or what it is about to add to).
std::string RecoverOutput(const std::string& path, bool callerHoldsLock = false);

// The refusal of a File GDB whose checkpoint was set aside: why, which
// frames GDAL reads whole, and what to do.
std::string UnusableCheckpointMessage(const std::string& gdbPath, const std::string& why,
                                      const std::string& setAside);

}  // namespace tarvik
