#include "base/UserInterface.h"

#include <cctype>

namespace ravlin {

const std::string& TextAt(const TTextTable& texts, Text id) {
    static const std::string kNone;
    return HasText(texts, id) ? texts[static_cast<size_t>(TextNumber(id))] : kNone;
}

bool HasText(const TTextTable& texts, Text id) {
    const int i = TextNumber(id);
    return i >= 0 && static_cast<size_t>(i) < texts.size();
}

void SetText(TTextTable& texts, Text id, std::string text) {
    const int i = TextNumber(id);
    if (i < 0) return;
    if (static_cast<size_t>(i) >= texts.size()) texts.resize(static_cast<size_t>(i) + 1);
    texts[static_cast<size_t>(i)] = std::move(text);
}

TMessage TMessage::Lang(const TTextTable& table, Text id, const std::string& suffix) {
    return {id, TextAt(table, id) + suffix};
}

std::optional<TAnswer> AnswerOfLine(const std::string& line, TButtons buttons,
                                    TAnswer defaultButton) {
    size_t begin = line.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return defaultButton;
    size_t end = line.find_last_not_of(" \t\r");
    std::string word = line.substr(begin, end - begin + 1);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto is = [&](const char* full) {
        return std::string(full).compare(0, word.size(), word) == 0;
    };
    if (is("yes")) return TAnswer::Yes;
    if (is("no")) return TAnswer::No;
    if (buttons == TButtons::YesNoCancel && is("cancel")) return TAnswer::Cancel;
    return std::nullopt;
}

std::string AnswerChoices(TButtons buttons, TAnswer defaultButton) {
    std::string out = defaultButton == TAnswer::Yes ? "Y/" : "y/";
    out += defaultButton == TAnswer::No ? "N" : "n";
    if (buttons == TButtons::YesNoCancel) out += defaultButton == TAnswer::Cancel ? "/C" : "/c";
    return out;
}

}  // namespace ravlin
