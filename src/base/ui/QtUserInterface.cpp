#include "base/ui/QtUserInterface.h"

#include <QApplication>
#include <QMessageBox>

#include "base/ui/Text.h"
#include "base/ui/WindowThread.h"

namespace ravlin {

TQtUserInterface::TQtUserInterface(QObject* parent) : QObject(parent) {}

void TQtUserInterface::Error(const TMessage& m) {
    Show(Kind::Error, m, TButtons::YesNo);
}
void TQtUserInterface::Warning(const TMessage& m) {
    Show(Kind::Warning, m, TButtons::YesNo);
}
void TQtUserInterface::Information(const TMessage& m) {
    Show(Kind::Information, m, TButtons::YesNo);
}
TAnswer TQtUserInterface::Ask(const TMessage& m, TButtons b, TAnswer defaultButton) {
    return Show(Kind::Question, m, b, defaultButton);
}

void TQtUserInterface::Progress(int position, int maximum) {
    int percent = maximum > 0 ? static_cast<int>(100LL * position / maximum) : 0;
    percent = std::clamp(percent, 0, 100);
    // Only changes travel to the window; a download reports many equal values.
    if (lastPercent_.exchange(percent) != percent) emit progressChanged(percent);
}

void TQtUserInterface::ProgressPhase(const TMessage& text) {
    lastPercent_.store(-1);  // the phase starts again from 0
    emit progressPhaseChanged(Q(text.text));
}

TAnswer TQtUserInterface::Show(Kind kind, const TMessage& message, TButtons buttons,
                               TAnswer defaultButton) {
    // From a worker: the box runs on the window thread and the worker waits for the answer.
    return OnWindowThread([&] { return ShowHere(kind, message, buttons, defaultButton); });
}

TAnswer TQtUserInterface::ShowHere(Kind kind, const TMessage& message, TButtons buttons,
                                   TAnswer defaultButton) {
    if (kind == Kind::Question) lastDefault_ = defaultButton;
    if (responder_) return responder_(kind, message, buttons);
    QWidget* parent = parentWindow_ ? parentWindow_.data() : QApplication::activeWindow();
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Ravlin"));
    box.setText(Q(message.text));
    switch (kind) {
        case Kind::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Kind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Kind::Information:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Kind::Question:
            box.setIcon(QMessageBox::Question);
            break;
    }
    if (kind != Kind::Question) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return TAnswer::Yes;
    }
    if (buttons == TButtons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    }
    box.setDefaultButton(defaultButton == TAnswer::No ? QMessageBox::No
                         : defaultButton == TAnswer::Cancel && buttons == TButtons::YesNoCancel
                             ? QMessageBox::Cancel
                             : QMessageBox::Yes);
    const int r = box.exec();
    if (r == QMessageBox::Yes) return TAnswer::Yes;
    if (r == QMessageBox::Cancel) return TAnswer::Cancel;
    return TAnswer::No;
}

}  // namespace ravlin
