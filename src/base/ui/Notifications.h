#pragma once
// What one window controller tells the others, without knowing them. Emitted and received
// on the window thread; connections are direct, so a receiver has run when emit returns.

#include <QObject>

namespace ravlin {

class TNotifications : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

  signals:
    // The record table, its receiver type or the login changed (a command committed its
    // result): the views rebuild.
    void tableCommitted();
    // The user information of the records changed: the history, the battery log and the
    // monitor's comments follow it.
    void userInfoChanged();
    // The login, document or on-line state changed: the status bar updates.
    void stateChanged();
    // Save all: every set-up with unsaved changes is saved besides the document.
    void saveAllRequested();
    // The history or the battery log changed outside on-line mode (the application
    // setup's Trim or Clear of the history): their pages show them afresh.
    void logsChanged();
    // A language was loaded: every open window takes the new texts at once.
    void languageChanged();
    // The application set-up changed settings (levels, length, sound, font, titles,
    // column visibility, sorting): each controller reads its settings again and redraws.
    void settingsChanged();
};

}  // namespace ravlin
