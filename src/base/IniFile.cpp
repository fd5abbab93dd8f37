#include "base/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "base/AtomicFile.h"
#include "base/SharedFile.h"

namespace ravlin {
namespace {

// A CR can only end a value when a line of a bare-LF file ends in one; it is no part of it.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// "[name]" (blanks around allowed): the section name, else false.
bool SectionName(const std::string& line, std::string_view& name) {
    std::string_view s = Trim(line);
    if (s.size() < 2 || s.front() != '[') return false;
    size_t close = s.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(s.substr(1, close - 1));
    return true;
}

// "key=value": the trimmed key and value, else false. Comment lines are not keys.
bool KeyValue(const std::string& line, std::string_view& key, std::string_view& value) {
    std::string_view s = line;
    size_t eq = s.find('=');
    if (eq == std::string_view::npos) return false;
    std::string_view k = Trim(s.substr(0, eq));
    if (k.empty() || k.front() == ';' || k.front() == '#' || k.front() == '[') return false;
    key = k;
    value = Trim(s.substr(eq + 1));
    return true;
}

bool ParseInt(std::string_view text, int& out) {
    text = Trim(text);
    if (text.empty()) return false;
    std::string s(text);
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size() || v < INT_MIN || v > INT_MAX) return false;
    // strtol accepts leading blanks, which Trim already removed; a lone sign fails above.
    out = static_cast<int>(v);
    return true;
}

}  // namespace

// ---- TIniFile ---------------------------------------------------------------------------

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
    std::string content;
    if (path_.empty()) return;
    if (ReadWholeFile(path_, content, kMaxBytes) == 0) LoadText(content);
}

void TIniFile::LoadText(std::string_view content) {
    lines_.clear();
    newLineEnd_ = "\r\n";
    edits_.clear();
    std::string_view rest = content;
    // A byte order mark left by an editor is kept but does not hide the first line.
    bom_ = rest.substr(0, 3) == "\xEF\xBB\xBF" ? "\xEF\xBB\xBF" : "";
    rest.remove_prefix(bom_.size());
    bool firstEol = true;
    while (!rest.empty()) {
        size_t lf = rest.find('\n');
        TLine line;
        if (lf == std::string_view::npos) {
            line.text = std::string(rest);
            rest = {};
        } else {
            line.text = std::string(rest.substr(0, lf));
            line.eol = "\n";
            rest.remove_prefix(lf + 1);
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.eol = "\r\n";
            }
            // New lines follow the file's own line ends.
            if (firstEol) newLineEnd_ = line.eol;
            firstEol = false;
        }
        Classify(line);
        lines_.push_back(std::move(line));
    }
}

std::string TIniFile::Content() const {
    std::string content = bom_;
    for (const TLine& l : lines_) content += l.text + l.eol;
    return content;
}

TIniFile::~TIniFile() {
    if (Modified()) UpdateFile();
}

void TIniFile::Classify(TLine& line) {
    std::string_view name, value;
    if (SectionName(line.text, name)) {
        line.kind = TLine::Section;
    } else if (KeyValue(line.text, name, value)) {
        line.kind = TLine::Key;
    } else {
        line.kind = TLine::Other;
        name = {};
    }
    line.name = std::string(name);
}

int TIniFile::FindSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == TLine::Section && EqualNoCase(lines_[i].name, section))
            return static_cast<int>(i);
    return -1;
}

int TIniFile::SectionEnd(int sectionLine) const {
    size_t i = static_cast<size_t>(sectionLine) + 1;
    while (i < lines_.size() && lines_[i].kind != TLine::Section) ++i;
    return static_cast<int>(i);
}

int TIniFile::FindKey(int sectionLine, const std::string& key) const {
    for (size_t i = static_cast<size_t>(sectionLine) + 1;
         i < lines_.size() && lines_[i].kind != TLine::Section; ++i)
        if (lines_[i].kind == TLine::Key && EqualNoCase(lines_[i].name, key))
            return static_cast<int>(i);
    return -1;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    int s = FindSection(section);
    if (s < 0) return def;
    int k = FindKey(s, key);
    if (k < 0) return def;
    std::string_view name, value;
    KeyValue(lines_[k].text, name, value);
    return std::string(value);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    int v = 0;
    return ParseInt(ReadString(section, key, {}), v) ? v : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    int s = FindSection(section);
    return s >= 0 && FindKey(s, key) >= 0;
}

std::vector<std::string> TIniFile::ReadSectionKeys(const std::string& section) const {
    std::vector<std::string> keys;
    int s = FindSection(section);
    if (s < 0) return keys;
    const int end = SectionEnd(s);
    for (int i = s + 1; i < end; ++i)
        if (lines_[i].kind == TLine::Key) keys.push_back(lines_[i].name);
    return keys;
}

void TIniFile::InsertLine(int at, std::string text) {
    // The line before a new last line needs a line end of its own.
    if (at == static_cast<int>(lines_.size()) && !lines_.empty() && lines_.back().eol.empty())
        lines_.back().eol = newLineEnd_;
    TLine line;
    line.text = std::move(text);
    line.eol = newLineEnd_;
    Classify(line);
    lines_.insert(lines_.begin() + at, std::move(line));
}

bool TIniFile::SetValue(const std::string& section, const std::string& key,
                        const std::string& clean) {
    std::string line = key + "=" + clean;
    int s = FindSection(section);
    if (s < 0) {
        InsertLine(static_cast<int>(lines_.size()), "[" + section + "]");
        InsertLine(static_cast<int>(lines_.size()), line);
        return true;
    }
    int k = FindKey(s, key);
    if (k >= 0) {
        // The key keeps its spelling in the file; only the value changes.
        std::string& text = lines_[k].text;
        std::string replaced = text.substr(0, text.find('=') + 1) + clean;
        if (text == replaced) return false;
        text = std::move(replaced);
        return true;
    }
    // After the section's last non-blank line, so that a blank line before the next
    // section stays where it is.
    int at = SectionEnd(s);
    while (at > s + 1 && Trim(lines_[at - 1].text).empty()) --at;
    InsertLine(at, line);
    return true;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    std::string clean = value;
    for (char& c : clean)
        if (c == '\r' || c == '\n') c = ' ';
    if (SetValue(section, key, clean)) edits_.push_back({TEdit::Set, section, key, clean});
}

void TIniFile::WriteStringIfAbsent(const std::string& section, const std::string& key,
                                   const std::string& value) {
    if (ValueExists(section, key)) return;
    WriteString(section, key, value);
    if (!edits_.empty()) edits_.back().kind = TEdit::SetIfAbsent;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    if (RemoveKey(section, key)) edits_.push_back({TEdit::Delete, section, key, {}});
}

bool TIniFile::RemoveKey(const std::string& section, const std::string& key) {
    int s = FindSection(section);
    if (s < 0) return false;
    int k = FindKey(s, key);
    if (k < 0) return false;
    const bool wasLast = k + 1 == static_cast<int>(lines_.size());
    const std::string eol = lines_[k].eol;
    lines_.erase(lines_.begin() + k);
    // Keep "no line end at the end of the file" as it was.
    if (wasLast && !lines_.empty()) lines_.back().eol = eol.empty() ? "" : lines_.back().eol;
    return true;
}

bool TIniFile::UpdateFile() {
    if (!Modified()) return true;
    if (path_.empty()) {
        lastError_ = ENOENT;
        return false;
    }
    TUpdateOptions options;
    options.maxBytes = kMaxBytes;
    options.write.newFileMode = 0644;
    options.write.makeFolder = true;
    options.refused = &lastRefused_;
    std::string merged;
    lastError_ = UpdateSharedFile(
        path_,
        [&](std::string& content, bool) {
            // This copy's changes, made again in the file as it is now.
            TIniFile now("");
            now.LoadText(content);
            for (const TEdit& e : edits_) {
                if (e.kind == TEdit::Delete)
                    now.RemoveKey(e.section, e.key);
                else if (e.kind == TEdit::Set || !now.ValueExists(e.section, e.key))
                    now.SetValue(e.section, e.key, e.value);
            }
            content = now.Content();
            merged = content;
            return TUpdateStep::Write;
        },
        options);
    if (lastError_) return false;
    LoadText(merged);
    return true;
}

std::string TIniFile::LastErrorText() const {
    if (lastRefused_ || lastError_ == ETIMEDOUT) return RefusalText(lastError_, kMaxBytes);
    return {};
}

}  // namespace ravlin
