#include "app/RecentFiles.h"

#include <algorithm>

#include "base/IniFile.h"

namespace ravlin {

namespace {
std::string Key(int i) {
    return "File" + std::to_string(i + 1);
}
}  // namespace

std::vector<std::string> ReadRecentFiles(const TIniFile& ini) {
    std::vector<std::string> files;
    for (int i = 0; i < kRecentFileCount; ++i) {
        const std::string f = ini.ReadString(kRecentFilesSection, Key(i), "");
        if (!f.empty() && std::find(files.begin(), files.end(), f) == files.end())
            files.push_back(f);
    }
    return files;
}

void WriteRecentFiles(TIniFile& ini, const std::vector<std::string>& files) {
    for (const std::string& key : ini.ReadSectionKeys(kRecentFilesSection))
        ini.DeleteKey(kRecentFilesSection, key);
    const int n = std::min<int>(static_cast<int>(files.size()), kRecentFileCount);
    for (int i = 0; i < n; ++i) ini.WriteString(kRecentFilesSection, Key(i), files[i]);
}

std::vector<std::string> WithRecentFile(std::vector<std::string> files, const std::string& file) {
    if (file.empty()) return files;
    files = WithoutRecentFile(std::move(files), file);
    files.insert(files.begin(), file);
    if (files.size() > static_cast<size_t>(kRecentFileCount)) files.resize(kRecentFileCount);
    return files;
}

std::vector<std::string> WithoutRecentFile(std::vector<std::string> files,
                                           const std::string& file) {
    files.erase(std::remove(files.begin(), files.end(), file), files.end());
    return files;
}

}  // namespace ravlin
