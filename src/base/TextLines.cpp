#include "base/TextLines.h"

namespace ravlin {

bool TLineReader::Next(std::string_view& line) {
    if (AtEnd()) return false;
    size_t end = text_.find('\n', at_);
    const size_t next = end == std::string_view::npos ? text_.size() : end + 1;
    if (end == std::string_view::npos) end = text_.size();
    if (end > at_ && text_[end - 1] == '\r') --end;
    line = text_.substr(at_, end - at_);
    at_ = next;
    return true;
}

bool TLineReader::Next(std::string& line) {
    std::string_view view;
    if (!Next(view)) return false;
    line.assign(view);
    return true;
}

void SplitFields(std::string_view line, std::vector<std::string_view>& fields, size_t maxFields) {
    fields.clear();
    size_t at = 0;
    for (size_t hash;
         fields.size() < maxFields && (hash = line.find('#', at)) != std::string_view::npos;
         at = hash + 1)
        fields.push_back(line.substr(at, hash - at));
}

std::vector<std::string_view> SplitFields(std::string_view line, size_t maxFields) {
    std::vector<std::string_view> fields;
    SplitFields(line, fields, maxFields);
    return fields;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    TLineReader reader(text);
    for (std::string_view line; reader.Next(line);) lines.push_back(line);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

}  // namespace ravlin
