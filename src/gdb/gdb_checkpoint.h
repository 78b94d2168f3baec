// Keeping a File Geodatabase readable when the program writing it is killed.
//
// GDAL's File GDB writer changes a class's files in place as features are
// added: the offsets of new rows go into the .gdbtablx at once, over the
// trailer that the last flush wrote, while the headers that say how many
// rows there are wait for the next flush. A program killed between two
// flushes of a class that holds earlier frames (the shared classes, which
// every batch adds to) leaves that class unreadable: GDAL refuses its
// .gdbtablx, and every frame in it is lost to every reader.
//
// So after each batch is flushed, the state of the store on disk is saved
// beside it ("<name>.gdb.checkpoint"): a copy of every file except the rows
// of large tables, of which the size and the first bytes are kept (GDAL
// only appends rows after them). The next program that takes the output's
// lock (a run on it, our readers) finds the checkpoint of a run that did
// not end and puts the store back as it was at the last batch on disk:
// every frame that run reported, and nothing of a later one. A run that
// closes its store normally removes the checkpoint.
#pragma once

#include <string>

namespace tarvik::detail {

// The folder of the checkpoint of the File GDB at `gdbPath`.
std::string CheckpointOf(const std::string& gdbPath);

// Saves the store as it is on disk now (call after every class and the
// catalog are flushed). RunError when it cannot be saved (a full disk):
// the batch must then not be reported, as a kill could lose it.
void SaveCheckpoint(const std::string& gdbPath);

// Removes the checkpoint (the store was closed whole). Never throws.
void DropCheckpoint(const std::string& gdbPath);

// When a checkpoint is left by a run that did not end, puts the store back
// as the checkpoint saved it and removes it; true when it did. The caller
// holds the output's lock. RunError when the store cannot be put back.
bool RestoreCheckpoint(const std::string& gdbPath);

// RestoreCheckpoint for a reader: only when no run holds the output's lock
// (a run that is writing it is left alone). Never throws; true when a
// checkpoint was found and the store put back.
bool RecoverInterruptedRun(const std::string& outputPath);

}  // namespace tarvik::detail
