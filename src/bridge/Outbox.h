#pragma once
// The messages for the broker that wait while it cannot be reached, kept in the home folder
// so that they survive the program: "MqttQueue-CLIENT.dat" (CLIENT: the console's client
// id, FileSafe), one message per line after a first line naming the format:
//
//   ravlin-mqtt-queue 1
//   r<TAB>topic<TAB>payload      a retained message ("-" for one that is not)
//
// Every change is one locked update of the file as it is then (base/SharedFile.h). The
// queue is bounded (kOutboxMaxMessages, kOutboxMaxBytes): beyond that the oldest messages
// go, and the caller is told how many. The reader skips damaged lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/Payloads.h"

namespace ravlin {

inline constexpr size_t kOutboxMaxMessages = 10000;
inline constexpr size_t kOutboxMaxBytes = size_t{8} << 20;
// The most a reader reads (a file a little over the bound, written by another version).
inline constexpr size_t kOutboxReadLimit = size_t{16} << 20;

std::string OutboxFileName(const std::string& clientId);

std::string FormatOutbox(const std::vector<TBrokerMessage>& messages);
// The messages of a file's content in order; `skipped` counts the lines that are not one.
// Content without the first line is no queue: nothing.
std::vector<TBrokerMessage> ParseOutbox(std::string_view content, size_t* skipped = nullptr);

class TOutbox {
  public:
    explicit TOutbox(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // Adds `messages` at the end (`atFront`: before the others, for messages that were
    // sent and not confirmed when the program ended). Messages beyond the bound go, oldest
    // first; `dropped` gets their count. 0 or the errno of the failure (the file unchanged).
    int Add(const std::vector<TBrokerMessage>& messages, bool atFront = false,
            size_t* dropped = nullptr);
    // Up to `max` messages from the front, as the file holds them now. 0 or an errno
    // (a missing file: 0 and none).
    int Front(size_t max, std::vector<TBrokerMessage>& out) const;
    // Removes `delivered` from the front, as far as the file still begins with them.
    int RemoveFront(const std::vector<TBrokerMessage>& delivered);
    // How many wait.
    size_t Count() const;

  private:
    std::string path_;
};

}  // namespace ravlin
