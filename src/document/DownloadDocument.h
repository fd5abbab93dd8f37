#pragma once
// What a completed download does to the document: the read-only backup of the records as
// downloaded, and the state changes with the merge of the document's user information.
// Both work on the download's own new table, before it becomes the program's.

#include <ctime>
#include <string>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "document/AppState.h"
#include "document/DataFile.h"
#include "records/Data.h"

namespace ravlin {

// Backup file name: BackupDir/ + Name + "_" + yymmdd + "_" + hhnnss + ".rvl" (local time).
std::string BackupFileName(const std::string& backupDir, const std::string& name,
                           const std::tm& localTime);

// Writes the memory exactly as downloaded to a new read-only backup file in `backupDir`:
// `image` (the downloaded image; its first RecordCount records form the image line) and
// `table`, its decoding, for the record lines. Nothing is packed or re-encoded, so opening
// the backup gives the downloaded records at their positions. An existing backup of the
// same name is never replaced: that is reported (Text::CannotOpen) and the download goes
// on. Returns the file written, or an empty text.
std::string BackupOnDownload(const std::string& backupDir, const TDevice& device,
                             const TRecordTable& table, const std::string& image,
                             const TTextTable& texts, TUserInterface& ui);

// memory modified := false, downloaded := true, saved := false; with a document that has
// a file name, the user information of that file is merged into the downloaded `table`.
void DownloadCompleted(TAppState& state, const TDataFileEnv& env, TRecordTable& table);

}  // namespace ravlin
