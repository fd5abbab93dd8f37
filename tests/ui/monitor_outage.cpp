// An alarm console that never hides an alarm, against the real simulator: two alarms
// active, the receiver goes away (its port refuses connections), the trouble row stands
// above the alarms, which stay listed, keep blinking and sounding, and one is cleared by
// hand meanwhile; the receiver comes back on the same port and the program reconnects by
// itself; receptions after that raise and clear alarms again. Then a receiver that goes
// silent without closing is a trouble within ten seconds, and Exit during an outage ends
// the alarms and the tries. The alarm log holds every activation with exactly one end, and
// each trouble with its end.
//
// RAVLIN_SCREENSHOTS=<folder> also saves pictures of the trouble row during the outage and
// of the list after the reconnection.

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <chrono>

#include "GuiSupport.h"
#include "MonitorSupport.h"
#include "RecordingSound.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/StatusBar.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/Text.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/ui/MonitorController.h"
#include "online/ui/OnlineController.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// "Fire alarm" (red, blinking, the permanent sound, a pop-up) comes with 12345's button 1
// and goes with 22222's button 2; "Door" (yellow) comes with 33333's button 3 and goes
// with 44444's button 4.
const char* kSetup =
    "Ravlin monitor setup file\r\n"
    "1#Fire alarm#1#14#5###1#0#1#\r\n"
    "Active:x012345#1#n#end\r\n"
    "Deactive:x022222#2#n#end\r\n"
    "2#Door#4#12#1###0#0#0#\r\n"
    "Active:x033333#3#n#end\r\n"
    "Deactive:x044444#4#n#end\r\n";

}  // namespace

class MonitorOutageTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    TRecordingSound sound;

    QString Home() const { return dir.path() + "/home"; }
    TCore& Core() { return desktop->core(); }
    TMonitorController& Monitor() { return desktop->monitor(); }
    TMonitor& Alarms() { return Monitor().monitor(); }
    TMainForm& Form() { return desktop->form(); }
    TMessageListModel* List() { return MessageList(Form()); }
    bool Trouble() { return List()->IsTroubleRow(0); }
    QString TextAt(int row) { return List()->index(row, kListText).data().toString(); }

    bool Receive(const std::string& line) {
        QSignalSpy polled(&desktop->online(), &TOnlineController::pollFinished);
        if (sim.Control("reception " + line) != "ok") return false;
        return polled.wait(10000) && polled.takeFirst().at(0).toBool();
    }
    bool Control(const std::string& line) { return sim.Control(line) == "ok"; }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        const QString setup = dir.path() + "/site.mon";
        QFile f(setup);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kSetup);
        f.close();
        QVERIFY(
            sim.Start(TSimProcess::Tcp, {"--type", "KV3S", "--data-dir", RAVLIN_TEST_DATA_DIR}));
        WriteSettings(Home(), sim.Port(),
                      "ReconnectFirst=1\r\nReconnectMax=1\r\nLastMonitorFile=" + setup + "\r\n");
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), Home(), QString()});
        desktop->ui().setResponder(
            [](TQtUserInterface::Kind, const TMessage&, TButtons) { return TAnswer::Yes; });
        Monitor().SetSoundPlayer(&sound);
        Core().receiver.link.SetTimingForTests(300, 5);
        QVERIFY(desktop->Start());
        QVERIFY(desktop->StartComplete());
        Form().resize(900, 600);
        QCOMPARE(Alarms().Messages.size(), size_t(2));
    }

    void twoAlarmsStayListedWhenTheLinkIsLost() {
        QVERIFY(Monitor().MenuMonitorClick());
        QVERIFY(Receive("0012345 1 00 0000"));
        QVERIFY(Receive("0033333 3 00 0000"));
        QCOMPARE(Alarms().ActiveCount(), 2);
        QVERIFY(sound.repeating);

        QVERIFY(Control("down"));
        QVERIFY(WaitFor([&] { return Trouble(); }, 10000));
        QVERIFY(Monitor().MonitorMode());
        QCOMPARE(TextAt(0), QString(kLinkLostText));
        QCOMPARE(TextAt(1), QString("Fire alarm"));
        QCOMPARE(TextAt(2), QString("Door"));
        QVERIFY(WaitFor([&] { return Form().Panel(2) == kLinkLostMark; }));
        // The pop-up stays, the alarm keeps blinking and sounding.
        TMonitorMessageForm* popup = Popup(Form(), 1);
        QVERIFY(popup && popup->isVisible());
        const QModelIndex fire = List()->index(1, kListText);
        const QColor first = fire.data(Qt::BackgroundRole).value<QBrush>().color();
        QVERIFY(WaitFor(
            [&] { return fire.data(Qt::BackgroundRole).value<QBrush>().color() != first; }, 2000));
        QVERIFY(sound.repeating);
        Shot(&Form(), "trouble-row-outage");
    }

    void anAlarmIsClearedByHandDuringTheOutage() {
        QTableView* grid = Find<QTableView>(Form(), "MessageGrid");
        // The trouble row has no mark to set; the row of "Door" has.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(List()->index(0, kListMark)).center());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(List()->index(2, kListMark)).center());
        QTest::mouseClick(Find<QPushButton>(Form(), "MessageClearButton"), Qt::LeftButton);
        QCOMPARE(Alarms().ActiveCount(), 1);
        QVERIFY(Trouble());
        QCOMPARE(TextAt(1), QString("Fire alarm"));
    }

    void theProgramReconnectsWhenTheReceiverIsBack() {
        QSignalSpy restored(&desktop->online(), &TOnlineController::linkRestored);
        QVERIFY(Control("up"));
        QVERIFY(restored.wait(10000));
        QVERIFY(!Trouble());
        QCOMPARE(TextAt(0), QString("Fire alarm"));
        QVERIFY(WaitFor([&] { return Form().Panel(2) == "On-line"; }));
        QVERIFY(sound.repeating);  // the fire alarm still stands
        Shot(&Form(), "trouble-row-restored");
    }

    void receptionsAfterwardsRaiseAndClearAlarms() {
        QVERIFY(Receive("0033333 3 00 0000"));
        QCOMPARE(Alarms().ActiveCount(), 2);
        QVERIFY(Receive("0022222 2 00 0000"));
        QCOMPARE(Alarms().ActiveCount(), 1);
        QCOMPARE(TextAt(0), QString("Door"));
        QVERIFY(!Popup(Form(), 1));
        QVERIFY(!sound.repeating);
    }

    void aSilentReceiverIsATroubleWithinTenSeconds() {
        QVERIFY(Control("silent on"));
        const auto silent = std::chrono::steady_clock::now();
        QVERIFY(WaitFor([&] { return Trouble(); }, 15000));
        QVERIFY(std::chrono::steady_clock::now() - silent < std::chrono::seconds(10));
        QCOMPARE(TextAt(1), QString("Door"));
        QSignalSpy restored(&desktop->online(), &TOnlineController::linkRestored);
        QVERIFY(Control("silent off"));
        QVERIFY(restored.wait(15000));
        QVERIFY(!Trouble());
    }

    void exitDuringAnOutageEndsEverything() {
        QVERIFY(Control("down"));
        QVERIFY(WaitFor([&] { return Trouble(); }, 10000));
        QTest::mouseClick(Find<QPushButton>(Form(), "MonitorEndButton"), Qt::LeftButton);
        QVERIFY(!Monitor().MonitorMode());
        QCOMPARE(Alarms().ActiveCount(), 0);
        QVERIFY(!Alarms().Trouble());
        // On-line mode was off before monitor mode: it ends, and with it the tries.
        QVERIFY(WaitFor([&] { return !Core().state.OnLine; }));
        QVERIFY(!desktop->online().LinkLost());
        QVERIFY(Control("up"));
    }

    void theAlarmLogHoldsEveryEnd() {
        std::vector<TAlarmEntry> log;
        QVERIFY(WaitFor([&] {
            log.clear();
            TAlarmLog(CorePath(Home()) + "/" + kAlarmLogName).ReadAll(log);
            return log.size() >= 12;
        }));
        QStringList seen;
        for (const TAlarmEntry& e : log)
            seen << QString("%1 %2 %3").arg(ActionName(e.Action), CauseName(e.Cause)).arg(e.Number);
        QCOMPARE(seen.size(), 12);
        QCOMPARE(seen.mid(0, 4), (QStringList{"activate transmitter 1", "activate transmitter 2",
                                              "trouble link lost 0", "deactivate hand 2"}));
        QVERIFY(seen[4].startsWith("trouble link restored"));
        QCOMPARE(seen.mid(5, 3), (QStringList{"activate transmitter 2", "deactivate transmitter 1",
                                              "trouble link lost 0"}));
        QVERIFY(seen[8].startsWith("trouble link restored"));
        QCOMPARE(seen.mid(9),
                 (QStringList{"trouble link lost 0", "deactivate exit 2", "trouble exit 0"}));
        const std::vector<bool> open = OpenEntries(log);
        QVERIFY(std::none_of(open.begin(), open.end(), [](bool o) { return o; }));
    }

    void cleanupTestCase() { desktop.reset(); }
};

QTEST_MAIN(MonitorOutageTest)
#include "monitor_outage.moc"
