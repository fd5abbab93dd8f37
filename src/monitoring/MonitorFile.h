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
//
// Limits: a set-up file of more than kMonitorFileMaxBytes is not read, and one of more
// than kMonitorFileMaxMessages messages or kMonitorFileMaxEvents events (both lists of
// all messages) is refused as soon as the reader gets there; a set-up that large is no
// one's, and holding it would cost hundreds of megabytes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "monitoring/MonitorData.h"

namespace ravlin {

inline constexpr const char* kMonitorFileHeader = "Ravlin monitor setup file";
inline constexpr const char* kMonitorFileFilter =
    "Ravlin monitoring files (*.mon)|*.mon|All files (*.*)|*.*";
inline constexpr const char* kMonitorFileExtension = "mon";
inline constexpr size_t kMonitorFileMaxBytes = 8u << 20;
inline constexpr size_t kMonitorFileMaxMessages = 10000;
inline constexpr size_t kMonitorFileMaxEvents = 100000;

enum class TMonitorFileStatus {
    Ok,
    WrongHeader,       // the first line is not the header
    MissingEventLine,  // a message line without its "Active:" or "Deactive:" line
    TooManyMessages,   // beyond the message limit
    TooManyEvents,     // beyond the event limit
};

struct TMonitorFileLimits {
    size_t maxMessages = kMonitorFileMaxMessages;
    size_t maxEvents = kMonitorFileMaxEvents;
};

struct TMonitorFileContent {
    TMonitorFileStatus status = TMonitorFileStatus::Ok;
    // The messages read (up to the fault), with the numbers the file gives them.
    std::vector<TMonitorData> messages;
};

// Reads a monitor file's content; beyond a limit it stops and says so (the messages read
// so far are kept in the result).
TMonitorFileContent ParseMonitorFile(std::string_view content,
                                     const TMonitorFileLimits& limits = {});
std::string FormatMonitorFile(const std::vector<TMonitorData>& messages);

// One message line and one event line, without their line ends.
std::string FormatMessageLine(const TMonitorData& m);
std::string FormatEventLine(const char* head, const std::vector<TEvent>& events);

}  // namespace ravlin
