#pragma once
// The boundary between the core's single-byte texts and Qt's Unicode strings.

#include <QString>
#include <QWidget>
#include <optional>
#include <string>

#include "base/UserInterface.h"

namespace ravlin {

// Core text (code page bytes) to a Qt string.
QString Q(const std::string& text);
// A Qt string to core text; empty when a character has no place in the code page.
std::optional<std::string> ToCore(const QString& text);
// ToCore for texts that cannot fail (file names typed by no one, digits): characters the
// code page cannot hold become '?'.
std::string ToCoreLossy(const QString& text);
// The characters of `text` the code page cannot hold, for a clear refusal message.
QString Unrepresentable(const QString& text);

// What the user typed into a field, as code page bytes. A character the code page cannot
// hold is refused with a message naming it (`what` says which field); the field gets the
// focus and nullopt is returned.
std::optional<std::string> TypedText(const QString& text, const QString& what, TUserInterface& ui,
                                     QWidget* field = nullptr);

// Language text `id` as a Qt string; empty outside the table.
inline QString L(const TTextTable& texts, Text id) {
    return HasText(texts, id) ? Q(TextAt(texts, id)) : QString();
}

// A caption without its mnemonic marks ("Save &as" -> "Save as", "&&" -> "&"): for
// window titles and labels that show a menu's text.
QString Plain(const QString& caption);
inline QString LPlain(const TTextTable& texts, Text id) {
    return Plain(L(texts, id));
}
// Language text `id`, or `fallback` when the language file has none (a file older than
// the text).
inline QString LOr(const TTextTable& texts, Text id, const char* fallback) {
    const QString t = L(texts, id);
    return t.isEmpty() ? QString::fromUtf8(fallback) : t;
}

// File names are plain bytes of the file system, not code page text.
inline QString QPath(const std::string& path) {
    return QString::fromLocal8Bit(path);
}
inline std::string CorePath(const QString& path) {
    return path.toLocal8Bit().toStdString();
}

}  // namespace ravlin
