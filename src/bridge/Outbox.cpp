#include "bridge/Outbox.h"

#include <cerrno>

#include "base/AtomicFile.h"
#include "base/SharedFile.h"
#include "bridge/BrokerConfig.h"

namespace ravlin {
namespace {

constexpr std::string_view kHeader = "ravlin-mqtt-queue 1";

bool Storable(const TBrokerMessage& m) {
    return !m.topic.empty() && m.topic.find_first_of("\t\r\n") == std::string::npos &&
           m.payload.find_first_of("\t\r\n") == std::string::npos;
}

size_t LineBytes(const TBrokerMessage& m) {
    return m.topic.size() + m.payload.size() + 4;
}

// Keeps the newest within the bound; the number of the oldest that went.
size_t Bound(std::vector<TBrokerMessage>& messages) {
    size_t bytes = kHeader.size() + 1;
    for (const TBrokerMessage& m : messages) bytes += LineBytes(m);
    size_t first = 0;
    while (first < messages.size() &&
           (messages.size() - first > kOutboxMaxMessages || bytes > kOutboxMaxBytes))
        bytes -= LineBytes(messages[first++]);
    messages.erase(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(first));
    return first;
}

TUpdateOptions Options() {
    TUpdateOptions o;
    o.maxBytes = kOutboxReadLimit;
    o.write.newFileMode = 0600;  // what the site's consoles say is nobody else's business
    o.write.makeFolder = true;
    return o;
}

}  // namespace

std::string OutboxFileName(const std::string& clientId) {
    return "MqttQueue-" + FileSafe(clientId) + ".dat";
}

std::string FormatOutbox(const std::vector<TBrokerMessage>& messages) {
    std::string out(kHeader);
    out += '\n';
    for (const TBrokerMessage& m : messages) {
        if (!Storable(m)) continue;
        out += m.retain ? 'r' : '-';
        out += '\t';
        out += m.topic;
        out += '\t';
        out += m.payload;
        out += '\n';
    }
    return out;
}

std::vector<TBrokerMessage> ParseOutbox(std::string_view content, size_t* skipped) {
    std::vector<TBrokerMessage> out;
    size_t bad = 0;
    bool first = true;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string_view::npos) end = content.size();
        std::string_view line = content.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first) {
            if (line != kHeader) {
                if (skipped) *skipped = 0;
                return {};
            }
            first = false;
            continue;
        }
        if (line.empty()) continue;
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == line.npos ? line.npos : line.find('\t', tab1 + 1);
        if (tab1 != 1 || tab2 == line.npos || tab2 == tab1 + 1 ||
            (line[0] != 'r' && line[0] != '-')) {
            ++bad;
            continue;
        }
        TBrokerMessage m;
        m.retain = line[0] == 'r';
        m.topic = std::string(line.substr(tab1 + 1, tab2 - tab1 - 1));
        m.payload = std::string(line.substr(tab2 + 1));
        if (m.payload.find('\t') != std::string::npos) {
            ++bad;
            continue;
        }
        out.push_back(std::move(m));
    }
    if (skipped) *skipped = bad;
    return out;
}

int TOutbox::Add(const std::vector<TBrokerMessage>& messages, bool atFront, size_t* dropped) {
    size_t gone = 0;
    const int rc = UpdateSharedFile(
        path_,
        [&](std::string& content, bool) {
            std::vector<TBrokerMessage> all = ParseOutbox(content);
            std::vector<TBrokerMessage> add;
            for (const TBrokerMessage& m : messages)
                if (Storable(m)) add.push_back(m);
            all.insert(atFront ? all.begin() : all.end(), add.begin(), add.end());
            gone = Bound(all);
            content = FormatOutbox(all);
            return TUpdateStep::Write;
        },
        Options());
    if (dropped) *dropped = rc == 0 ? gone : 0;
    return rc;
}

int TOutbox::Front(size_t max, std::vector<TBrokerMessage>& out) const {
    out.clear();
    std::string content;
    const int rc = ReadWholeFile(path_, content, kOutboxReadLimit);
    if (rc == ENOENT) return 0;
    if (rc != 0) return rc;
    out = ParseOutbox(content);
    if (out.size() > max) out.resize(max);
    return 0;
}

int TOutbox::RemoveFront(const std::vector<TBrokerMessage>& delivered) {
    return UpdateSharedFile(
        path_,
        [&](std::string& content, bool exists) {
            if (!exists) return TUpdateStep::Keep;
            std::vector<TBrokerMessage> all = ParseOutbox(content);
            size_t n = 0;
            while (n < delivered.size() && n < all.size() && all[n] == delivered[n]) ++n;
            if (n == 0) return TUpdateStep::Keep;
            all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n));
            content = FormatOutbox(all);
            return TUpdateStep::Write;
        },
        Options());
}

size_t TOutbox::Count() const {
    std::string content;
    if (ReadWholeFile(path_, content, kOutboxReadLimit) != 0) return 0;
    return ParseOutbox(content).size();
}

}  // namespace ravlin
