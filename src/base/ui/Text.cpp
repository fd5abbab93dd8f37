#include "base/ui/Text.h"

#include "base/CodePage.h"

namespace ravlin {

QString Q(const std::string& text) {
    return QString::fromStdString(AnsiToUtf8(text));
}

std::optional<std::string> ToCore(const QString& text) {
    std::string out;
    if (!Utf8ToAnsi(text.toStdString(), out)) return std::nullopt;
    return out;
}

std::string ToCoreLossy(const QString& text) {
    std::string out;
    for (QChar c : text) {
        auto one = ToCore(QString(c));
        out += one ? *one : std::string("?");
    }
    return out;
}

std::optional<std::string> TypedText(const QString& text, const QString& what, TUserInterface& ui,
                                     QWidget* field) {
    auto bytes = ToCore(text);
    if (!bytes) {
        ui.Error(TMessage::Fixed(
            ToCoreLossy(QStringLiteral("%1 contains characters that cannot be stored: %2")
                            .arg(what, Unrepresentable(text)))));
        if (field && field->isVisible()) field->setFocus();
    }
    return bytes;
}

QString Plain(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // the marked (or second &)
        out += caption[i];
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
