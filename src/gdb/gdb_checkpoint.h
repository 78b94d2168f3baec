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
// So the shared layout saves the state of the store on disk beside it
// ("<name>.gdb.checkpoint") when it opens the store and after each batch: a
// copy of every file except the rows of large tables, of which the size and
// the first bytes are kept (GDAL only appends rows after them). The next
// Tarvik program that opens the output (output_recovery.h) puts the store
// back as it was at the last batch on disk: every frame that run reported,
// and nothing of a later one. A run that closes its store whole drops the
// checkpoint.
//
// A checkpoint is applied only when it proves itself whole and made for
// this store:
// - its manifest is written last, under a temporary name renamed into
//   place, and ends with a checksum of itself; it lists every saved file
//   with the checksum of its copy, all verified before anything is touched;
// - it names the store it was made for (the device, inode and birth time of
//   the .gdb folder) and the inode of every large table whose rows it does
//   not copy, which must still be those files and no shorter.
// A checkpoint that fails any of this (damaged, cut short, stale, of
// another store, not a folder) is never applied: it is set aside as
// "<name>.gdb.checkpoint-unused" with its reason, the store is left as it
// is, and every Tarvik open of the store is refused, saying which frames
// GDAL can read whole and what to do, until the person replaces the store
// (--overwrite removes both) or deletes the set-aside folder to take the
// store as it is.
//
// Replacing a checkpoint keeps the older one until the newer one is in
// place (".checkpoint.new", ".checkpoint.old"); dropping renames it to
// ".checkpoint.drop" first, so a kill at any moment leaves either a whole
// checkpoint or one marked as finished with.
#pragma once

#include <string>
#include <vector>

namespace tarvik::detail {

// The checkpoint folder of the File GDB at `gdbPath`.
std::string CheckpointOf(const std::string& gdbPath);
// The folder a checkpoint that cannot be used is set aside in.
std::string SetAsideCheckpointOf(const std::string& gdbPath);

// The identity of the store at `path` (its folder's device, inode and birth
// time); empty when it is not there.
std::string StoreIdentity(const std::string& path);

// Saves the store as it is on disk now (call after every class and the
// catalog are flushed). RunError when it cannot be saved ("磁盘已满…" on a
// full disk): the batch must then not be reported, as a kill could lose it.
void SaveCheckpoint(const std::string& gdbPath);

// Marks the checkpoint as finished with and removes it (the store was
// closed whole). Never throws.
void DropCheckpoint(const std::string& gdbPath);

// The result of looking at what a killed run left beside a store.
struct CheckpointRecovery {
  bool restored = false;  // the store was put back to its last batch
  // Set when nothing could be applied: why, and where the leftovers went.
  std::string unusable;
  std::string setAside;
};

// Under the output's lock: when a run left a checkpoint, puts the store
// back as it saved it and removes it; when the checkpoint cannot be used,
// sets it aside (see above); when one was set aside before, tells so again.
// RunError only when a usable checkpoint could not be applied (it is kept
// for the next try).
CheckpointRecovery RecoverCheckpoint(const std::string& gdbPath);

// Whether anything of a checkpoint is beside the store (a run did not end,
// or a checkpoint was set aside).
bool HasCheckpointFiles(const std::string& gdbPath);

// Removes every checkpoint file of the store (it is being replaced, or it
// is gone); the names of those that could not have been applied.
std::vector<std::string> RemoveCheckpointFiles(const std::string& gdbPath);

}  // namespace tarvik::detail
