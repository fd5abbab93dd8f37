#pragma once
// The monitor file (*.mon): code page text, lines ended by CR LF.
//
//   Ravlin monitor setup file
//   1#Door open#1#8#4###1#0#0#                  number, text, colour, size, sound,
//   Active:x012345#3#n#1ABCDE0#F#n#end          sound file, picture, blink, activation,
//   Deactive:end                                window; then the events of both lists
//
// A message with a repeat time carries it as an eleventh field ("...#1#0#0#30#"), which
// readers that know ten fields ignore. Nothing is escaped.

#include <string>
#include <string_view>
#include <vector>

#include "monitoring/MonitorData.h"

namespace ravlin {

inline constexpr const char* kMonitorFileHeader = "Ravlin monitor setup file";
inline constexpr const char* kMonitorFileFilter =
    "Ravlin monitoring files (*.mon)|*.mon|All files (*.*)|*.*";
inline constexpr const char* kMonitorFileExtension = "mon";

enum class TMonitorFileStatus {
    Ok,
    WrongHeader,       // the first line is not the header
    MissingEventLine,  // a message line without its "Active:" or "Deactive:" line
};

struct TMonitorFileContent {
    TMonitorFileStatus status = TMonitorFileStatus::Ok;
    // The messages read (up to the fault), with the numbers the file gives them.
    std::vector<TMonitorData> messages;
};

TMonitorFileContent ParseMonitorFile(std::string_view content);
std::string FormatMonitorFile(const std::vector<TMonitorData>& messages);

// One message line and one event line, without their line ends.
std::string FormatMessageLine(const TMonitorData& m);
std::string FormatEventLine(const char* head, const std::vector<TEvent>& events);

}  // namespace ravlin
