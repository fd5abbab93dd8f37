#include "document/DownloadDocument.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/Core.h"
#include "document/DataFile.h"

namespace ravlin {

std::string BackupFileName(const std::string& backupDir, const std::string& name,
                           const std::tm& t) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "_%02d%02d%02d_%02d%02d%02d", t.tm_year % 100, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return backupDir + "/" + name + stamp + ".rvl";
}

std::string BackupOnDownload(TCore& core) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    MakeDirs(core.folders.BackupDir());
    const std::string name = BackupFileName(core.folders.BackupDir(), core.rx.Device.Name, local);
    // A backup is never replaced, not even by one of the same second (the data file
    // writer would rename over a read-only file).
    if (::access(name.c_str(), F_OK) == 0) {
        core.ui.Error(TMessage::Lang(core.texts(), 80, " - " + name));
        return {};
    }
    if (!SaveData(core, name)) return {};
    ::chmod(name.c_str(), S_IRUSR | S_IRGRP | S_IROTH);
    return name;
}

void DownloadCompleted(TCore& core) {
    core.state.MemoryModified = false;
    core.state.Downloaded = true;
    core.state.Saved = false;
    if (core.state.DocumentOpen && !core.state.FileName.empty())
        ImportComments(core, core.state.FileName);
}

}  // namespace ravlin
