#pragma once
// The desktop program's TUserInterface: message boxes with the caption "Ravlin" and
// progress to the progress window. Safe to call from a worker thread: the call is
// carried out on the user-interface thread and the worker waits for the answer.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>

#include "base/UserInterface.h"

namespace ravlin {

class TQtUserInterface : public QObject, public TUserInterface {
    Q_OBJECT
  public:
    enum class Kind { Error, Warning, Information, Question };
    // Answers a message instead of a modal box; runs on the user-interface thread.
    // Tests install one to answer prompts without a real dialog.
    using TResponder = std::function<TAnswer(Kind, const TMessage&, TButtons)>;

    explicit TQtUserInterface(QObject* parent = nullptr);

    void setParentWindow(QWidget* w) { parentWindow_ = w; }
    void setResponder(TResponder r) { responder_ = std::move(r); }

    void Error(const TMessage& message) override;
    void Warning(const TMessage& message) override;
    void Information(const TMessage& message) override;
    TAnswer Ask(const TMessage& message, TButtons buttons, TAnswer defaultButton) override;
    TAnswer Ask(const TMessage& message, TButtons buttons) override {
        return Ask(message, buttons, TAnswer::Yes);
    }
    // The default button of the last question shown (through the responder or a box).
    TAnswer LastDefaultButton() const { return lastDefault_; }
    void Progress(int position, int maximum) override;
    void ProgressPhase(const TMessage& text) override;
    bool CancelRequested() override { return cancel_.load(); }

    void RequestCancel() { cancel_.store(true); }
    void ClearCancel() { cancel_.store(false); }
    // The next progress value is delivered even when it equals the last one.
    void ResetProgress() { lastPercent_.store(-1); }

  signals:
    // Percentage 0..100; delivered queued to the progress window.
    void progressChanged(int percent);
    // A new phase of the running transfer (code page text); delivered queued.
    void progressPhaseChanged(const QString& text);

  private:
    TAnswer Show(Kind kind, const TMessage& message, TButtons buttons,
                 TAnswer defaultButton = TAnswer::Yes);
    TAnswer ShowHere(Kind kind, const TMessage& message, TButtons buttons, TAnswer defaultButton);

    QPointer<QWidget> parentWindow_;
    TResponder responder_;
    std::atomic<bool> cancel_{false};
    std::atomic<int> lastPercent_{-1};
    TAnswer lastDefault_ = TAnswer::Yes;  // window thread
};

}  // namespace ravlin
