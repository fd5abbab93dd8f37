#include "app/ui/Text.h"

#if __has_include("app/CodePage.h")
#include "app/CodePage.h"
#define RAVLIN_HAVE_CODEPAGE 1
#endif

namespace ravlin {

#ifndef RAVLIN_HAVE_CODEPAGE
// Until the code page conversion lands in the core: Latin-1 (equal to Windows-1252
// outside 0x80-0x9F).
QString Q(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
std::optional<std::string> ToCore(const QString& text) {
    std::string out;
    for (QChar c : text) {
        if (c.unicode() > 0xFF) return std::nullopt;
        out.push_back(static_cast<char>(c.unicode()));
    }
    return out;
}
#else
QString Q(const std::string& text) { return QString::fromStdString(AnsiToUtf8(text)); }
std::optional<std::string> ToCore(const QString& text) {
    std::string out;
    if (!Utf8ToAnsi(text.toStdString(), out)) return std::nullopt;
    return out;
}
#endif

std::string ToCoreLossy(const QString& text) {
    std::string out;
    for (QChar c : text) {
        auto one = ToCore(QString(c));
        out += one ? *one : std::string("?");
    }
    return out;
}

QString Unrepresentable(const QString& text) {
    QString bad;
    for (QChar c : text)
        if (!ToCore(QString(c)) && !bad.contains(c)) bad += c;
    return bad;
}

}  // namespace ravlin
