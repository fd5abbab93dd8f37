// Monitor over network end to end against a real broker: a publishing monitor (the
// bridge over a core TMonitor, as another desktop or ravlin-cli monitor runs it) raises
// message 1 before the console connects; the desktop's console shows it with the set-up's
// look and pop-up window, its Deactivate under the operator's name makes the publishing
// monitor clear it (logged as cleared over the network by that operator), and the row
// goes once the broker reports the message inactive.
//
// RAVLIN_SHOTS_DIR=<folder> also saves pictures of the console and its pop-up window.

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "BrokerProcess.h"
#include "GuiSupport.h"
#include "MonitorSupport.h"
#include "RecordingSound.h"
#include "RecordingUi.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "app/ui/RemoteConsole.h"
#include "base/AtomicFile.h"
#include "bridge/Bridge.h"
#include "monitoring/MonitorView.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// Message 1 red, blinking, with sound 1 and a pop-up window; message 2 never raised.
const char kSetup[] =
    "Ravlin monitor setup file\r\n"
    "1#Door open#1#12#1###1#0#1#\r\n"
    "Active:x012345#1#n#end\r\n"
    "Deactive:x022222#2#n#end\r\n"
    "2#Panic#3#10#0###0#0#0#\r\n"
    "Active:x033333#3#n#end\r\n"
    "Deactive:end\r\n";

void Save(QWidget* w, const QString& name) {
    const QString to = qEnvironmentVariable("RAVLIN_SHOTS_DIR");
    if (to.isEmpty()) return;
    QDir().mkpath(to);
    QVERIFY(w->grab().save(to + "/" + name + ".png"));
}

}  // namespace

class RemoteConsoleTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TBrokerProcess broker;

  private slots:
    void initTestCase() {
        if (!TBrokerProcess::Available()) QSKIP("mosquitto is not installed");
        QVERIFY(broker.Start());
    }

    void aRemoteAlarmIsShownAndClearedAtItsMonitor() {
        const QString home = dir.path() + "/home";
        const std::string setup = dir.path().toStdString() + "/front.mon";
        const std::string publisherHome = dir.path().toStdString() + "/publisher";
        QVERIFY(QDir().mkpath(QString::fromStdString(publisherHome)));
        QVERIFY(WriteFileAtomically(setup, kSetup, {}) == 0);
        // The desktop publishes nothing itself: the console is all it does with the broker.
        WriteSettings(home, 1,
                      QStringLiteral("Language=US\r\n[Broker]\r\nOn=0\r\nUrl=%1\r\nSite=plant\r\n"
                                     "Receiver=front\r\n")
                          .arg(QString::fromStdString(broker.Url())));
        auto desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, {}});
        std::vector<TMessage> shown;
        desktop->ui().setResponder([&](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::No;
        });
        QVERIFY(desktop->Start());
        TRecordingSound sound;
        desktop->remoteConsole().SetSoundPlayer(&sound);

        // The receiver's monitor raises message 1 while no console follows it.
        TRecordingUi publisherUi;
        TMonitor publisher(desktop->core().texts(), publisherUi);
        QVERIFY(publisher.Load(setup));
        TAlarmLog log(publisherHome + "/Alarms.dat");
        publisher.alarmLog = &log;
        TBrokerConfig config;
        config.url = broker.Url();
        config.site = "plant";
        config.receiver = "front";
        config.clientId = "publisher";
        TBridge bridge(config, publisherHome,
                       [](const std::string& line) { qInfo("publisher: %s", line.c_str()); });
        publisher.listeners.push_back(&bridge);
        std::string why;
        QVERIFY2(bridge.Start(true, why), why.c_str());
        QVERIFY(WaitFor([&] { return bridge.Status().state == TBrokerState::Connected; }));
        PublishMonitor(bridge, publisher);
        QVERIFY(publisher.ActivateMessage(0, TMonitorTime::Now()));
        QVERIFY(bridge.WaitDelivered(5000));

        // Monitor over network, with the settings' site and receiver and the set-up file.
        QString site, receiver;
        auto done = OnNextModal<TRemoteConsoleForm>([&](TRemoteConsoleForm* f) {
            site = f->siteEdit()->text();
            receiver = f->receiverEdit()->text();
            f->setupEdit()->setText(QString::fromStdString(setup));
            QTest::mouseClick(f->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        desktop->form().Action("MenuMonitorNetwork")->trigger();
        QVERIFY(*done);
        QCOMPARE(site, QString("plant"));
        QCOMPARE(receiver, QString("front"));
        QVERIFY2(shown.empty(), shown.empty() ? "" : shown.front().text.c_str());
        TRemoteConsole& console = desktop->remoteConsole();
        QVERIFY(console.Running());

        TMainForm& form = desktop->form();
        QWidget* panel = Find<QWidget>(form, "RemoteMessagesPanel");
        QVERIFY(panel && panel->isVisible());
        TMessageListModel* list = MessageList(*panel);
        QVERIFY(list);
        QVERIFY(WaitFor([&] { return list->MessageAt(0) >= 0; }));
        QCOMPARE(list->index(0, kListText).data().toString(), QString("Door open"));
        // The set-up's look: red, blinking.
        const QModelIndex cell = list->index(0, kListText);
        auto background = [&] { return cell.data(Qt::BackgroundRole).value<QBrush>().color(); };
        QVERIFY(WaitFor([&] { return background() == QColor(255, 0, 0); }, 2000));
        QVERIFY(WaitFor([&] { return background() == QColor(0, 0, 0); }, 2000));
        QCOMPARE(sound.Played(), std::vector<int>{1});
        TMonitorMessageForm* popup = Popup(form, 1);
        QVERIFY(popup && popup->isVisible());
        QCOMPARE(popup->textLabel()->text(), QString("Door open"));
        QLabel* brokerPanel = Find<QLabel>(form, "BrokerPanel");
        QVERIFY(WaitFor([&] { return brokerPanel->text() == "Broker: connected"; }));
        QVERIFY(WaitFor([&] { return background() == QColor(255, 0, 0); }, 2000));
        Save(&form, "remote_console");
        Save(popup, "remote_popup");

        // Deactivate of the marked row under the operator's name.
        QTest::keyClicks(Find<QLineEdit>(*panel, "OperatorEdit"), "Jana Novak");
        QTableView* grid = Find<QTableView>(*panel, "MessageGrid");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(list->index(0, kListMark)).center());
        QTest::mouseClick(Find<QPushButton>(*panel, "MessageClearButton"), Qt::LeftButton);
        QVERIFY(shown.empty());
        // Still listed: only the receiver's monitor clears it.
        QCOMPARE(list->MessageAt(0), 0);

        std::vector<TMonitorChange> changes;
        QVERIFY(WaitFor([&] {
            const auto now = ApplyNetworkCommands(bridge, publisher, TMonitorTime::Now());
            changes.insert(changes.end(), now.begin(), now.end());
            return !changes.empty();
        }));
        QCOMPARE(changes.size(), size_t(1));
        QCOMPARE(changes[0].cause, TAlarmCause::Network);
        QCOMPARE(publisher.ActiveCount(), 0);
        std::vector<TAlarmEntry> entries;
        QCOMPARE(log.ReadAll(entries), 0);
        QCOMPARE(entries.size(), size_t(2));
        QCOMPARE(entries[1].Action, TAlarmAction::Deactivate);
        QCOMPARE(entries[1].Cause, TAlarmCause::Network);
        QCOMPARE(entries[1].Number, 1);
        QCOMPARE(entries[1].Operator, std::string("Jana Novak"));

        // The broker says inactive: the row and the pop-up window go.
        QVERIFY(WaitFor([&] { return list->MessageAt(0) < 0; }));
        QVERIFY(WaitFor([&] { return !Popup(form, 1); }));
        // Nothing of the console went into the desktop's own alarm log.
        QVERIFY(!QFile::exists(home + "/Alarms.dat"));

        QTest::mouseClick(Find<QPushButton>(*panel, "MonitorEndButton"), Qt::LeftButton);
        QVERIFY(!console.Running());
        QVERIFY(!panel->isVisible());
        QVERIFY(WaitFor([&] { return !brokerPanel->isVisible(); }));
        bridge.Stop();
        desktop.reset();
    }
};

QTEST_MAIN(RemoteConsoleTest)
#include "remote_console.moc"
