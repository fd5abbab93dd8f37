#include "catalog/Language.h"

#include <sys/stat.h>

#include <cstdio>

#include "base/AtomicFile.h"

// Language file XY.lng (single-byte text, CR LF or LF line ends):
//   line 1        characters 1-3: entry count (decimal, right-aligned, leading zeros or
//                 blanks allowed); the rest of the line is ignored.
//   later lines   characters 1-3: index, same form; character 4: separator, ignored;
//                 character 5 to the end of the line: the text, byte for byte.
// Every line after the head is an entry line, so an empty line is a format error, and at
// least one entry line must follow the head. Later lines win over earlier ones.

namespace ravlin {
namespace {

// Language files are a few kilobytes; anything far beyond is not one.
constexpr size_t kMaxFileSize = 16 * 1024 * 1024;

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadLanguageFile(const std::string& path, std::string& out) {
    return ReadWholeFile(path, out, kMaxFileSize) == 0;
}

bool IsValidCode(const std::string& code) {
    return code.size() == 2 && code[0] >= 'A' && code[0] <= 'Z' && code[1] >= 'A' && code[1] <= 'Z';
}

// The number in characters 1-3 of a line: optional leading blanks, then only digits.
// A line shorter than three characters gives what it has.
bool ParseNumberField(std::string_view line, int& value) {
    std::string_view field = line.substr(0, 3);
    size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    if (i == field.size()) return false;
    int v = 0;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') return false;
        v = v * 10 + (field[i] - '0');
    }
    value = v;
    return true;
}

// Splits the next line off `rest`; the line end (LF, with a CR before it) is dropped.
std::string_view NextLine(std::string_view& rest) {
    size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

const char kFormatError[] = "Wrong language file format!";

}  // namespace

TLanguage::TLanguage(std::string dataDir, TUserInterface& ui)
    : dataDir_(std::move(dataDir)), ui_(ui) {}

const std::string& TLanguage::Entry(int i) const {
    static const std::string empty;
    return i >= 0 && static_cast<size_t>(i) < texts_.size() ? texts_[i] : empty;
}

bool TLanguage::LoadLanguage(const std::string& code) {
    std::string content;
    // A code that is not two capital letters names no language file (and must never
    // reach the file system as a path).
    if (!IsValidCode(code) || !ReadLanguageFile(dataDir_ + "/" + code + ".lng", content)) {
        ui_.Error(TMessage::Fixed(code + " languge file can not be open!"));
        return false;
    }
    return LoadLanguageText(code, content);
}

bool TLanguage::LoadLanguageText(const std::string& code, std::string_view content) {
    std::string_view rest = content;
    int count = 0;
    if (!ParseNumberField(NextLine(rest), count)) {
        ui_.Error(TMessage::Fixed(kFormatError));
        return false;
    }
    // Resizing keeps the present entries: an index the new file lacks keeps the
    // previous language's text.
    texts_.resize(static_cast<size_t>(count));
    bool anyEntry = false;
    while (!rest.empty() || !anyEntry) {
        std::string_view line = NextLine(rest);
        int index = 0;
        if (!ParseNumberField(line, index)) {
            ui_.Error(TMessage::Fixed(kFormatError));
            return false;
        }
        anyEntry = true;
        // An index at or beyond the declared count has no place in the table; it is
        // skipped rather than growing the table past the head's count.
        if (static_cast<size_t>(index) < texts_.size())
            texts_[index] = line.size() > 4 ? std::string(line.substr(4)) : std::string();
    }
    code_ = code;
    const std::string functionTable = "RxFnc" + code + ".def";
    functionTableFile_ =
        IsRegularFile(dataDir_ + "/" + functionTable) ? functionTable : "RxFncUS.def";
    if (listener_) listener_->LanguageLoaded();
    return true;
}

std::vector<std::string> TLanguage::ListLanguages() const {
    std::vector<std::string> codes;
    for (char a = 'A'; a <= 'Z'; ++a) {
        for (char b = 'A'; b <= 'Z'; ++b) {
            std::string code{a, b};
            if (IsRegularFile(dataDir_ + "/" + code + ".lng")) codes.push_back(code);
        }
    }
    return codes;
}

bool TLanguage::LoadStartupLanguage(const std::string& code) {
    if (LoadLanguage(code)) return true;
    if (code == "US") return false;
    return LoadLanguage("US");
}

}  // namespace ravlin
