#include "document/DownloadDocument.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "base/AtomicFile.h"
#include "base/Folders.h"

namespace ravlin {

std::string BackupFileName(const std::string& backupDir, const std::string& name,
                           const std::tm& t) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "_%02d%02d%02d_%02d%02d%02d", t.tm_year % 100, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return backupDir + "/" + name + stamp + ".rvl";
}

std::string BackupOnDownload(const std::string& backupDir, const TDevice& device,
                             const TRecordTable& table, const std::string& image,
                             const TTextTable& texts, TUserInterface& ui) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    MakeDirs(backupDir);
    const std::string name = BackupFileName(backupDir, device.Name, local);
    // The image line holds whole records; a memory tail shorter than a record is none.
    const size_t digits = static_cast<size_t>(std::max(device.RecordCount, 0)) *
                          static_cast<size_t>(device.RecordLength());
    if (image.size() < digits || table.size() < static_cast<size_t>(device.RecordCount)) {
        ui.Error(TMessage::Lang(texts, Text::CannotOpen, " - " + name));
        return {};
    }
    // A backup is never replaced, not even by one of the same second from another program:
    // the name is taken create-exclusive, at the moment the complete file appears.
    TWriteOptions options;
    options.newFileMode = 0444;
    options.mustBeNew = true;
    const int error =
        WriteFileAtomically(name, FormatDataFile(device, table, image.substr(0, digits)), options);
    if (error != 0) {
        ui.Error(TMessage::Lang(texts, Text::CannotOpen, " - " + name));
        return {};
    }
    ::chmod(name.c_str(), S_IRUSR | S_IRGRP | S_IROTH);
    return name;
}

void DownloadCompleted(TAppState& state, const TDataFileEnv& env, TRecordTable& table) {
    state.MemoryModified = false;
    state.Downloaded = true;
    state.Saved = false;
    if (state.DocumentOpen && !state.FileName.empty()) ImportComments(state.FileName, env, table);
}

}  // namespace ravlin
