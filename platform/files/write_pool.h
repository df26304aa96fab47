#pragma once
// Private to the platform: JPEG frames encoded and written on the
// platform's worker threads while the handler that saved them goes on.
//
// What the callers of FolderItem::SaveAsJPEG can observe stays as if each
// save had finished before it returned:
// - a handler's frames are complete on disk, or the first failure raised,
//   before the handler returns to the event loop (a dispatch-end hook waits
//   for the frames saved inside that dispatch);
// - a platform call that reads or lists a folder, opens a file or makes a
//   movie first waits for the writes it could see (WaitForPath,
//   WaitForFolder, WaitForAll);
// - the pixels are a snapshot taken at the save, so the caller may change
//   the picture at once;
// - the frame lands in the folder that held the path at the save, even if
//   that folder is renamed before the worker writes it;
// - saves are put in place (renamed over their targets) in the order they
//   were made, so the files on disk are always those of the saves up to
//   some point: a killed process leaves no holes;
// - a failure raises the IOException the save would have raised, naming
//   the first file (in the order of the saves) that failed, at the next
//   save or waiting point of the handler that saved it (or of one it runs
//   inside), never in a handler nested in it such as a repaint during its
//   background task; the saves made after it and before it was known are
//   dropped, not written, so that no frame follows the failed one;
// - pending pictures are bounded in number and in bytes: a save blocks until
//   there is room;
// - the runtime's exit waits for every pending write.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "media/picture.h"

namespace write_pool {

// Queues the picture's current pixels to be written as JPEG to `path` (an
// absolute, normalised path). Raises at once what it can tell at once: an
// empty picture, a folder that cannot be opened, or an earlier failure.
void Submit(const std::string& path, const Picture& picture);

// Each waits for the pending writes it names, then raises the first
// failure not yet raised. No-ops while nothing was ever submitted.
void WaitForPath(const std::string& path);      // writes to that file
void WaitForFolder(const std::string& folder);  // writes into that folder
void WaitForAll();

}  // namespace write_pool
