#pragma once
// Communication > Monitor over network: a console of another receiver's alarms, without a
// receiver or a login of its own. The alarms come from the site's broker (TRemoteAlarms);
// they show in monitor mode's message list with the look, pop-up windows and sounds of a
// monitor set-up, matched by message number (a number the set-up lacks shows with the
// broker's text in the default look). Deactivate and Exit ask the receiver's monitor to
// clear the alarms; a row goes when that monitor reports its message inactive. The alarm
// log is the publishing monitor's: nothing is written here. Window thread; the broker is
// polled from a timer.

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bridge/MqttClient.h"
#include "bridge/Payloads.h"
#include "monitoring/Monitor.h"
#include "monitoring/ui/MonitorContext.h"

class QLineEdit;
class QPushButton;

namespace ravlin {

class TAlarmPresenter;
class TMonitorController;
class TRemoteAlarms;
class TSoundPlayer;
class TWindowFrame;
struct TSettings;

// What the console follows.
struct TRemoteChoice {
    std::string site;
    std::string receiver;
    std::string setupFile;  // empty: none (every alarm in the default look)
};

// The window that asks for it.
class TRemoteConsoleForm : public QDialog {
    Q_OBJECT
  public:
    explicit TRemoteConsoleForm(QWidget* parent = nullptr);
    void Prepare(const TRemoteChoice& choice);
    TRemoteChoice Choice() const;

    // The "..." file dialog: the chosen file or an empty text. Tests replace it.
    std::function<QString()> chooseFile;

    QLineEdit* siteEdit() const { return site_; }
    QLineEdit* receiverEdit() const { return receiver_; }
    QLineEdit* setupEdit() const { return setup_; }

  private:
    QLineEdit *site_, *receiver_, *setup_;
};

class TRemoteConsole : public QObject {
    Q_OBJECT
  public:
    // `settings`: the broker's address and login (section Broker) and the defaults;
    // `monitor`: the program's own monitor mode, which stands aside meanwhile.
    TRemoteConsole(const TMonitorContext& context, const TSettings& settings,
                   TMonitorController& monitor, TWindowFrame& frame, QObject* parent = nullptr);
    ~TRemoteConsole() override;

    // The menu command: the window, then Begin.
    bool MenuClick();
    // Connects and shows the message panel. False (with a message) when refused.
    bool Begin(const TRemoteChoice& choice);
    // Stops following and gives the window back to the program.
    void Leave();

    bool Running() const { return running_; }
    TBrokerStatus Status() const;
    // The set-up whose messages the alarms show as.
    TMonitor& monitor() { return setup_; }
    TRemoteConsoleForm& form() { return *form_; }
    void SetSoundPlayer(TSoundPlayer* player);
    void ApplyTexts();

  signals:
    void started();
    void left();

  private:
    TAlarmPresenter& Presenter();
    void Poll();
    void Take(const TAlarmState& alarm);
    bool Clear(const std::vector<int>& messages);
    void Log(const std::string& line) const;

    TMonitorContext ctx_;
    const TSettings& settings_;
    QPointer<TMonitorController> monitor_;
    TWindowFrame& frame_;
    TMonitor setup_;
    std::unique_ptr<TRemoteConsoleForm> form_;
    std::unique_ptr<TAlarmPresenter> presenter_;
    std::unique_ptr<TRemoteAlarms> remote_;
    TSoundPlayer* soundStandIn_ = nullptr;
    std::string receiver_;
    bool running_ = false;
    QTimer poll_;
};

}  // namespace ravlin
