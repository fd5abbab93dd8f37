// The report of a site operation and the progress its threads share with the window.

#include <mutex>

#include "site/SiteOperations.h"

namespace ravlin {

bool TSiteReport::Succeeded() const {
    for (const TSiteOutcome& o : outcomes)
        if (o.result == TSiteResult::Failed || o.result == TSiteResult::Cancelled) return false;
    return true;
}

std::string OutcomeText(const TSiteReport& report, const TSiteOutcome& o) {
    const auto records = [](int n) {
        return std::to_string(n) + (n == 1 ? " record" : " records");
    };
    switch (o.result) {
        case TSiteResult::Done:
            switch (report.operation) {
                case TSiteOperation::Check:
                    return "reached, " + o.type + ", " + records(o.count) + " used, " +
                           (!o.dataFile     ? "no data file"
                            : o.dataDiffers ? "data file differs"
                                            : "data file same");
                case TSiteOperation::Download:
                    return "downloaded " + records(o.count);
                case TSiteOperation::Revoke:
                    return (report.dryRun ? "would revoke " : "revoked ") + records(o.count);
                case TSiteOperation::Add:
                    return "added at position " + std::to_string(o.count);
            }
            break;
        case TSiteResult::NotPresent:
            return "not present";
        case TSiteResult::AlreadyPresent:
            return "already present at position " + std::to_string(o.count);
        case TSiteResult::Failed:
            return "failed: " + o.message;
        case TSiteResult::Cancelled:
            return "cancelled";
    }
    return {};
}

std::string OutcomeLine(const TSiteReport& report, const TSiteOutcome& o) {
    std::string text;
    switch (o.result) {
        case TSiteResult::Done:
            switch (report.operation) {
                case TSiteOperation::Revoke:
                    text = (report.dryRun ? "would revoke " : "revoked ") + std::to_string(o.count);
                    break;
                case TSiteOperation::Download:
                    text = "downloaded " + std::to_string(o.count);
                    break;
                case TSiteOperation::Add:
                    text = "added " + std::to_string(o.count);
                    break;
                case TSiteOperation::Check:
                    text = OutcomeText(report, o);
                    break;
            }
            break;
        case TSiteResult::AlreadyPresent:
            text = "present " + std::to_string(o.count);
            break;
        default:
            text = OutcomeText(report, o);
    }
    return o.name + " " + text;
}

std::vector<std::string> ReportLines(const TSiteReport& report) {
    std::vector<std::string> lines;
    lines.push_back("== " + report.started + " " + report.title +
                    (report.dryRun ? " (dry run)" : ""));
    int failed = 0;
    for (const TSiteOutcome& o : report.outcomes) {
        lines.push_back(o.name + ": " + OutcomeText(report, o));
        if (o.result == TSiteResult::Failed || o.result == TSiteResult::Cancelled) ++failed;
    }
    lines.push_back("== " + report.finished + " " + std::to_string(report.outcomes.size()) +
                    " receivers, " + std::to_string(failed) + " failed");
    return lines;
}

// ---- progress ------------------------------------------------------------------------

std::vector<TSiteReceiverProgress> TSiteProgress::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return receivers_;
}

void TSiteProgress::Reset(size_t receivers) {
    std::lock_guard<std::mutex> lock(mutex_);
    receivers_.assign(receivers, {});
}

void TSiteProgress::Started(size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < receivers_.size()) receivers_[index].state = TSiteReceiverProgress::Running;
}

void TSiteProgress::Phase(size_t index, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < receivers_.size()) receivers_[index].phase = text;
}

void TSiteProgress::Percent(size_t index, int percent) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < receivers_.size()) receivers_[index].percent = std::clamp(percent, 0, 100);
}

void TSiteProgress::Finished(size_t index, const TSiteOutcome& outcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= receivers_.size()) return;
    receivers_[index].state = TSiteReceiverProgress::Finished;
    receivers_[index].outcome = outcome;
    receivers_[index].percent = 100;
}

}  // namespace ravlin
