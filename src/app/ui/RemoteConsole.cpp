#include "app/ui/RemoteConsole.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "app/AppSetup.h"
#include "app/Settings.h"
#include "base/CodePage.h"
#include "base/ui/Busy.h"
#include "base/ui/Notifications.h"
#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "base/ui/WindowFrame.h"
#include "bridge/RemoteAlarms.h"
#include "monitoring/ui/AlarmPresenter.h"
#include "monitoring/ui/MonitorController.h"

namespace ravlin {

// ---- the window ---------------------------------------------------------------------------

TRemoteConsoleForm::TRemoteConsoleForm(QWidget* parent) : QDialog(parent) {
    setObjectName("RemoteConsoleForm");
    setWindowTitle("Monitor over network");
    chooseFile = [this] {
        return QFileDialog::getOpenFileName(this, QString(), setup_->text(),
                                            "Monitor files (*.mon)");
    };
    auto* g = new QGridLayout;
    auto field = [&](int row, const char* name, const char* label) {
        auto* l = new QLabel(label, this);
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        l->setBuddy(e);
        g->addWidget(l, row, 0);
        g->addWidget(e, row, 1);
        return e;
    };
    site_ = field(0, "RemoteSiteEdit", "Site");
    receiver_ = field(1, "RemoteReceiverEdit", "Receiver");
    setup_ = field(2, "RemoteSetupEdit", "Monitor set-up");
    auto* choose = new QPushButton("...", this);
    choose->setObjectName("RemoteSetupButton");
    choose->setMaximumWidth(40);
    g->addWidget(choose, 2, 2);
    g->setColumnStretch(1, 1);
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString f = chooseFile();
        if (!f.isEmpty()) setup_->setText(f);
    });
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addLayout(g);
    v->addWidget(box);
    setMinimumWidth(420);
}

void TRemoteConsoleForm::Prepare(const TRemoteChoice& c) {
    site_->setText(Q(c.site));
    receiver_->setText(Q(c.receiver));
    setup_->setText(QPath(c.setupFile));
}

TRemoteChoice TRemoteConsoleForm::Choice() const {
    return TRemoteChoice{ToCoreLossy(site_->text().trimmed()),
                         ToCoreLossy(receiver_->text().trimmed()),
                         CorePath(setup_->text().trimmed())};
}

// ---- the console --------------------------------------------------------------------------

TRemoteConsole::TRemoteConsole(const TMonitorContext& context, const TSettings& settings,
                               TMonitorController& monitor, TWindowFrame& frame, QObject* parent)
    : QObject(parent),
      ctx_(context),
      settings_(settings),
      monitor_(&monitor),
      frame_(frame),
      setup_(context.texts, context.ui) {
    form_ = std::make_unique<TRemoteConsoleForm>(frame.Window());
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, &TRemoteConsole::Poll);
    if (QAction* a = frame_.Action("MenuMonitorNetwork"))
        connect(a, &QAction::triggered, this, &TRemoteConsole::MenuClick);
}

TRemoteConsole::~TRemoteConsole() {
    poll_.stop();
    if (remote_) remote_->Stop();
    setup_.sound = nullptr;
}

TAlarmPresenter& TRemoteConsole::Presenter() {
    // Built on first use: its panel shares the monitor layout with monitor mode's.
    if (!presenter_) {
        presenter_ = std::make_unique<TAlarmPresenter>(ctx_, setup_, frame_);
        presenter_->ShowPanel(false);
        presenter_->panel()->setObjectName("RemoteMessagesPanel");
        presenter_->clearRequest = [this](const std::vector<int>& m) { return Clear(m); };
        connect(presenter_.get(), &TAlarmPresenter::exitClicked, this, &TRemoteConsole::Leave);
        if (soundStandIn_) presenter_->SetSoundPlayer(soundStandIn_);
    }
    return *presenter_;
}

void TRemoteConsole::SetSoundPlayer(TSoundPlayer* player) {
    soundStandIn_ = player;
    if (presenter_) presenter_->SetSoundPlayer(player);
}

void TRemoteConsole::ApplyTexts() {
    if (presenter_) presenter_->ApplyTexts();
}

TBrokerStatus TRemoteConsole::Status() const {
    return remote_ ? remote_->Status() : TBrokerStatus{};
}

void TRemoteConsole::Log(const std::string& line) const {
    std::fprintf(stderr, "ravlin: remote console: %s\n", line.c_str());
}

bool TRemoteConsole::MenuClick() {
    if (running_ || ctx_.busy.Busy() || (monitor_ && monitor_->MonitorMode())) return false;
    std::string file = monitor_ ? monitor_->monitor().FileName : std::string();
    form_->Prepare(TRemoteChoice{settings_.BrokerSite, settings_.BrokerReceiver, file});
    while (form_->exec() == QDialog::Accepted)
        if (Begin(form_->Choice())) return true;
    return false;
}

bool TRemoteConsole::Begin(const TRemoteChoice& choice) {
    if (running_ || (monitor_ && monitor_->MonitorMode())) return false;
    auto refuse = [this](const std::string& why) {
        ctx_.ui.Error(TMessage::Fixed("Monitor over network: " + why));
        return false;
    };
    TBrokerSetup b = BrokerSetupOf(settings_);
    if (b.url.empty()) return refuse("no broker is set up (Settings, Application ..., Broker)");
    b.site = choice.site;
    b.receiver = choice.receiver;
    TBrokerConfig config = BrokerConfigOf(b);
    config.clientId = DefaultClientId("console", config);
    std::string why;
    if (!CheckBrokerConfig(config, why)) return refuse(why);
    if (choice.setupFile.empty()) {
        setup_.Messages.clear();
    } else if (!setup_.Load(choice.setupFile)) {
        return false;  // the set-up said why
    }
    auto remote = std::make_unique<TRemoteAlarms>(config, [this](const std::string& line) {
        std::fprintf(stderr, "ravlin: %s\n", line.c_str());
    });
    if (!remote->Start(why)) return refuse(why);
    remote_ = std::move(remote);
    receiver_ = config.receiver;
    TAlarmPresenter& p = Presenter();
    p.ReadSettings();
    if (monitor_) monitor_->SetOccupied(true);
    p.ShowPanel(true);
    frame_.ShowMonitorLayout(true);
    p.Start();
    running_ = true;
    poll_.start();
    emit started();
    emit ctx_.notifications.stateChanged();
    return true;
}

void TRemoteConsole::Leave() {
    if (!running_) return;
    running_ = false;
    poll_.stop();
    // The deactivations of Exit reach the broker before the connection ends.
    remote_->WaitSent(2000);
    remote_->Stop();
    remote_.reset();
    // What is still shown goes here only: the receiver's monitor keeps its own state.
    setup_.DeactivateAll(TMonitorTime::Now());
    presenter_->Stop();
    presenter_->ShowPanel(false);
    frame_.ShowMonitorLayout(false);
    if (monitor_) monitor_->SetOccupied(false);
    emit left();
    emit ctx_.notifications.stateChanged();
}

void TRemoteConsole::Poll() {
    if (!remote_) return;
    for (const TRemoteChange& c : remote_->TakeChanges()) {
        if (c.receiver != receiver_) continue;
        switch (c.kind) {
            case TRemoteChange::Kind::Alarm:
                Take(c.alarm);
                break;
            case TRemoteChange::Kind::Status:
                Log("receiver " + c.receiver + " is " + c.text);
                break;
            case TRemoteChange::Kind::Trouble:
                // The receiver's own link: its trouble row as its monitor shows it.
                if (c.text == "link-lost")
                    presenter_->LinkLost();
                else
                    presenter_->LinkRestored(0);
                break;
        }
    }
}

void TRemoteConsole::Take(const TAlarmState& a) {
    int i = setup_.IndexOfNumber(a.number);
    if (i < 0) {
        if (!a.active) return;
        // Not in this set-up: shown all the same, in the default look, so that no alarm
        // of the receiver goes unseen.
        TMonitorData m;
        m.Number = a.number;
        if (!Utf8ToAnsi(a.text, m.Text)) m.Text = "Message " + std::to_string(a.number);
        setup_.Messages.push_back(std::move(m));
        i = static_cast<int>(setup_.Messages.size()) - 1;
        Log("message " + std::to_string(a.number) +
            " is not in the set-up: shown with the broker's text");
    }
    const TMonitorTime now = TMonitorTime::Now();
    if (a.active) {
        if (setup_.ActivateMessage(i, now))
            presenter_->Show({{TAlarmAction::Activate, i, TAlarmCause::Transmitter}});
    } else if (setup_.DeactivateMessage(i, TAlarmCause::Network, now)) {
        presenter_->Show({{TAlarmAction::Deactivate, i, TAlarmCause::Network}});
    }
}

bool TRemoteConsole::Clear(const std::vector<int>& messages) {
    if (!remote_) return false;
    if (messages.empty()) return true;
    const std::string name = AnsiToUtf8(setup_.operatorName);
    if (name.find_first_not_of(' ') == std::string::npos) {
        ctx_.ui.Error(TMessage::Fixed(
            "Type the operator's name first: the receiver's alarm log names who cleared them."));
        return false;
    }
    bool sent = true;
    for (int i : messages) {
        const int number = setup_.Messages[static_cast<size_t>(i)].Number;
        std::string why;
        if (!remote_->Deactivate(receiver_, number, name, why)) {
            ctx_.ui.Error(TMessage::Fixed("Monitor over network: message " +
                                          std::to_string(number) + " not cleared: " + why));
            sent = false;
            break;
        }
    }
    return sent;
}

}  // namespace ravlin
