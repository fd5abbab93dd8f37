#include "receiver/UploadCheck.h"

#include <algorithm>
#include <map>

#include "document/DataFile.h"

namespace ravlin {

namespace {

std::string UserText(const TData& r) {
    std::string out;
    if (r.UserID != 0) out = std::to_string(r.UserID);
    if (!r.User1.empty()) out += (out.empty() ? "" : " ") + r.User1;
    return out;
}

TRecordDiff Describe(const TData& r) {
    TRecordDiff c;
    c.code = r.Code();
    c.button = r.Button;
    c.user = UserText(r);
    return c;
}

// "position 4  x012345 button 3  user 12 Flat 3"
std::string RecordText(int position, const TRecordDiff& c) {
    std::string out = "position " + std::to_string(position) + "  " + c.code;
    if (!c.button.empty()) out += " button " + c.button;
    if (!c.user.empty()) out += "  user " + c.user;
    return out;
}

void Section(std::vector<std::string>& lines, const std::string& title, size_t count) {
    lines.push_back(title + ": " + std::to_string(count));
}

}  // namespace

TUploadComparison CompareUpload(const TRecordTable& receiver, const TRecordTable& upload) {
    TUploadComparison out;
    // Used records of each side by record key, in position order.
    std::map<std::string, std::vector<const TData*>> held, written;
    for (const TData& r : receiver)
        if (!r.Empty) held[RecordKey(r)].push_back(&r);
    for (const TData& u : upload) {
        if (u.Empty)
            ++out.freeSlots;
        else
            written[RecordKey(u)].push_back(&u);
    }
    auto codeAt = [&](int position) -> std::string {
        if (position < 1 || static_cast<size_t>(position) > upload.size()) return {};
        const TData& u = upload[static_cast<size_t>(position - 1)];
        return u.Empty ? std::string() : u.Code();
    };

    for (auto& [key, rs] : held) {
        std::vector<const TData*> us;
        if (auto it = written.find(key); it != written.end()) us = it->second;
        std::vector<bool> rUsed(rs.size()), uUsed(us.size());
        // The same digits: at the same position first, then anywhere.
        for (int pass = 0; pass < 2; ++pass)
            for (size_t i = 0; i < rs.size(); ++i) {
                if (rUsed[i]) continue;
                for (size_t j = 0; j < us.size(); ++j) {
                    if (uUsed[j] || us[j]->Raw != rs[i]->Raw) continue;
                    if (pass == 0 && us[j]->Position != rs[i]->Position) continue;
                    rUsed[i] = uUsed[j] = true;
                    if (us[j]->Position == rs[i]->Position) {
                        ++out.unchanged;
                    } else {
                        TRecordDiff c = Describe(*us[j]);
                        c.receiverPosition = rs[i]->Position;
                        c.uploadPosition = us[j]->Position;
                        c.held = rs[i]->Raw;
                        c.written = us[j]->Raw;
                        out.moved.push_back(c);
                    }
                    break;
                }
            }
        // The same transmitter button with other content.
        size_t j = 0;
        for (size_t i = 0; i < rs.size(); ++i) {
            if (rUsed[i]) continue;
            while (j < us.size() && uUsed[j]) ++j;
            if (j == us.size()) break;
            TRecordDiff c = Describe(*us[j]);
            if (c.user.empty()) c.user = UserText(*rs[i]);
            c.receiverPosition = rs[i]->Position;
            c.uploadPosition = us[j]->Position;
            c.held = rs[i]->Raw;
            c.written = us[j]->Raw;
            out.changed.push_back(c);
            rUsed[i] = uUsed[j] = true;
        }
        for (size_t i = 0; i < rs.size(); ++i) {
            if (rUsed[i]) continue;
            TRecordDiff c = Describe(*rs[i]);
            c.receiverPosition = rs[i]->Position;
            c.held = rs[i]->Raw;
            c.replacedBy = codeAt(rs[i]->Position);
            out.removed.push_back(c);
        }
        if (auto it = written.find(key); it != written.end())
            for (size_t k = 0; k < us.size(); ++k)
                if (uUsed[k]) it->second[k] = nullptr;
    }
    for (auto& [key, us] : written)
        for (const TData* u : us) {
            if (!u) continue;
            TRecordDiff c = Describe(*u);
            c.uploadPosition = u->Position;
            c.written = u->Raw;
            out.added.push_back(c);
        }
    const auto byReceiver = [](const TRecordDiff& a, const TRecordDiff& b) {
        return a.receiverPosition < b.receiverPosition;
    };
    const auto byUpload = [](const TRecordDiff& a, const TRecordDiff& b) {
        return a.uploadPosition < b.uploadPosition;
    };
    std::sort(out.removed.begin(), out.removed.end(), byReceiver);
    std::sort(out.added.begin(), out.added.end(), byUpload);
    std::sort(out.changed.begin(), out.changed.end(), byUpload);
    std::sort(out.moved.begin(), out.moved.end(), byUpload);
    return out;
}

std::vector<std::string> ComparisonLines(const TUploadComparison& c) {
    std::vector<std::string> lines;
    if (c.Same()) {
        lines.push_back("The receiver already holds what the upload would write (" +
                        std::to_string(c.unchanged) + " records).");
        return lines;
    }
    if (!c.removed.empty()) {
        Section(lines, "Records in the receiver that the upload would remove or overwrite",
                c.removed.size());
        for (const auto& r : c.removed)
            lines.push_back(
                "  " + RecordText(r.receiverPosition, r) +
                (r.replacedBy.empty() ? "  (erased)" : "  (overwritten by " + r.replacedBy + ")"));
    }
    if (!c.added.empty()) {
        Section(lines, "Records added", c.added.size());
        for (const auto& r : c.added) lines.push_back("  " + RecordText(r.uploadPosition, r));
    }
    if (!c.changed.empty()) {
        Section(lines, "Records changed", c.changed.size());
        for (const auto& r : c.changed) {
            std::string line =
                "  " + RecordText(r.uploadPosition, r) + "  " + r.held + " -> " + r.written;
            if (r.receiverPosition != r.uploadPosition)
                line += "  (was at position " + std::to_string(r.receiverPosition) + ")";
            lines.push_back(line);
        }
    }
    if (!c.moved.empty()) {
        Section(lines, "Records moved", c.moved.size());
        for (const auto& r : c.moved)
            lines.push_back("  " + RecordText(r.uploadPosition, r) + "  (was at position " +
                            std::to_string(r.receiverPosition) + ")");
    }
    Section(lines, "Records unchanged", static_cast<size_t>(c.unchanged));
    return lines;
}

bool MergeReceiverRecords(const TUploadComparison& c, const TRecordTable& receiver,
                          TRecordTable& table) {
    if (!c.CanMerge()) return false;
    std::vector<size_t> free;
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].Empty) free.push_back(i);
    if (free.size() < c.removed.size()) return false;
    for (size_t k = 0; k < c.removed.size(); ++k) {
        const int from = c.removed[k].receiverPosition;
        if (from < 1 || static_cast<size_t>(from) > receiver.size()) return false;
    }
    for (size_t k = 0; k < c.removed.size(); ++k) {
        TData record = receiver[static_cast<size_t>(c.removed[k].receiverPosition - 1)];
        record.Position = table[free[k]].Position;
        table[free[k]] = std::move(record);
    }
    return true;
}

std::vector<TReadBackDifference> CompareReadBack(const std::string& uploadImage,
                                                 const std::string& readBack, const TDevice& device,
                                                 const TRecordTable& upload) {
    std::vector<TReadBackDifference> out;
    const size_t length = static_cast<size_t>(device.RecordLength());
    if (length == 0) return out;
    const size_t written = std::min(readBack.size(), uploadImage.size());
    for (size_t at = 0, p = 1; at < written; at += length, ++p) {
        const size_t n = std::min(length, written - at);
        const std::string w = uploadImage.substr(at, n);
        const std::string h = readBack.substr(at, n);
        if (w == h) continue;
        TReadBackDifference d;
        d.position = static_cast<int>(p);
        if (p <= upload.size()) {
            const TData& r = upload[p - 1];
            d.code = r.Empty ? std::string("(empty)") : r.Code();
            d.user = UserText(r);
        }
        d.written = w;
        d.held = h;
        out.push_back(std::move(d));
    }
    return out;
}

std::vector<std::string> ReadBackLines(const std::vector<TReadBackDifference>& differences) {
    std::vector<std::string> lines;
    lines.push_back("Records the receiver does not hold as written: " +
                    std::to_string(differences.size()));
    for (const auto& d : differences) {
        std::string line = "  position " + std::to_string(d.position) + "  " + d.code;
        if (!d.user.empty()) line += "  user " + d.user;
        line += "  written " + d.written + "  held " + d.held;
        lines.push_back(line);
    }
    return lines;
}

}  // namespace ravlin
