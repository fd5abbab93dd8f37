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
    TAnswer Ask(const TMessage& message, TButtons buttons) override;
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
    TAnswer Show(Kind kind, const TMessage& message, TButtons buttons);
    TAnswer ShowHere(Kind kind, const TMessage& message, TButtons buttons);

    QPointer<QWidget> parentWindow_;
    TResponder responder_;
    std::atomic<bool> cancel_{false};
    std::atomic<int> lastPercent_{-1};
};

}  // namespace ravlin
