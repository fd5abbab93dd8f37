#pragma once
// What a completed download does to the document: the read-only backup of the records as
// downloaded, and the state changes with the merge of the document's user information.

#include <ctime>
#include <string>

namespace ravlin {

struct TCore;

// Backup file name: BackupDir/ + Name + "_" + yymmdd + "_" + hhnnss + ".rvl" (local time).
std::string BackupFileName(const std::string& backupDir, const std::string& name,
                           const std::tm& localTime);

// Writes the record table to a new backup file and makes it read-only. An existing
// backup of the same name is never replaced: that is reported (language text 80) and the
// download goes on. Returns the file written, or an empty text.
std::string BackupOnDownload(TCore& core);

// memory modified := false, downloaded := true, saved := false; with a document that has
// a file name, the user information of that file is merged into the downloaded records.
void DownloadCompleted(TCore& core);

}  // namespace ravlin
