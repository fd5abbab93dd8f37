#pragma once
// The last data files the user opened or saved, newest first, in the settings file
// (section RecentFiles, keys File1 .. File8).

#include <string>
#include <vector>

namespace ravlin {

class TIniFile;

inline constexpr int kRecentFileCount = 8;
inline constexpr const char* kRecentFilesSection = "RecentFiles";

// The list as stored: empty values skipped, a name that stands twice kept once, at most
// kRecentFileCount.
std::vector<std::string> ReadRecentFiles(const TIniFile& ini);
// Replaces the section's keys by the list (File1 first).
void WriteRecentFiles(TIniFile& ini, const std::vector<std::string>& files);
// `file` in front, its older place removed, the list cut to kRecentFileCount.
std::vector<std::string> WithRecentFile(std::vector<std::string> files, const std::string& file);
std::vector<std::string> WithoutRecentFile(std::vector<std::string> files, const std::string& file);

}  // namespace ravlin
