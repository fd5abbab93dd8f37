// Monitor mode of the desktop program against the real simulator: Ctrl+F12 as the user
// presses it enters on-line mode and monitor mode together, receptions injected at the
// receiver activate and deactivate the set-up's messages in the message list and their
// pop-up windows, the list blinks, the operator marks and clears a message by hand, "Exit"
// clears the rest and leaves both modes, and the alarm log holds every change.
//
// RAVLIN_SCREENSHOTS=<folder> also saves pictures of the message panel and a pop-up there.

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QtTest>

#include "CliRun.h"
#include "GuiSupport.h"
#include "MonitorSupport.h"
#include "RecordingSound.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/Text.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/ui/MonitorController.h"
#include "monitoring/ui/MonitorMessageForm.h"
#include "monitoring/ui/MonitorModels.h"
#include "online/ui/OnlineController.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// Two messages: "Door open" (red, blinking, short beep, pop-up) comes with 12345's button 1
// and goes with 22222's button 2; "Panic" (no window) comes with 33333's button 3 and goes
// only by hand.
const char* kSetup =
    "Ravlin monitor setup file\r\n"
    "1#Door open#1#12#1###1#0#1#\r\n"
    "Active:x012345#1#n#end\r\n"
    "Deactive:x022222#2#n#end\r\n"
    "2#Panic#3#10#2###0#0#0#\r\n"
    "Active:x033333#3#n#end\r\n"
    "Deactive:end\r\n";

QStringList Row(QAbstractItemModel* m, int row) {
    QStringList out;
    for (int c = 1; c < m->columnCount(); ++c) out << m->index(row, c).data().toString();
    return out;
}

}  // namespace

class MonitorTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    TRecordingSound sound;
    TRecordingSound onlineSound;

    QString Home() const { return dir.path() + "/home"; }
    QString SetupPath() const { return dir.path() + "/alarms.mon"; }
    TCore& Core() { return desktop->core(); }
    TMonitorController& Monitor() { return desktop->monitor(); }
    TMainForm& Form() { return desktop->form(); }
    TMessageListModel* List() { return MessageList(Form()); }

    bool Receive(const std::string& line) {
        QSignalSpy polled(&desktop->online(), &TOnlineController::pollFinished);
        if (sim.Control("reception " + line) != "ok") return false;
        return polled.wait(10000) && polled.takeFirst().at(0).toBool();
    }
    std::vector<TAlarmEntry> Logged() {
        std::vector<TAlarmEntry> out;
        TAlarmLog(CorePath(Home()) + "/" + kAlarmLogName).ReadAll(out);
        return out;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QFile f(SetupPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kSetup);
        f.close();
        QVERIFY(
            sim.Start(TSimProcess::Tcp, {"--type", "KV3S", "--data-dir", RAVLIN_TEST_DATA_DIR}));
        WriteSettings(Home(), sim.Port(),
                      "HistoryMonitorLevel=1\r\nBeep=1\r\nLastMonitorFile=" + SetupPath() + "\r\n");
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), Home(), QString()});
        desktop->ui().setResponder(
            [](TQtUserInterface::Kind, const TMessage&, TButtons) { return TAnswer::Yes; });
        desktop->online().SetSoundPlayer(&onlineSound);
        Monitor().SetSoundPlayer(&sound);
        Core().receiver.link.SetTimingForTests(300, 5);
        QVERIFY(desktop->Start());
        QVERIFY(desktop->StartComplete());
        Form().resize(900, 600);
        // The last set-up was read at start-up.
        QCOMPARE(Monitor().monitor().Messages.size(), size_t(2));
        QCOMPARE(Monitor().monitor().FileName, CorePath(SetupPath()));
    }

    void theMonitoringPageShowsTheSetup() {
        Form().Action("MenuMonitorView")->trigger();
        QVERIFY(Form().pages()->isTabVisible(static_cast<int>(TPage::Monitoring)));
        QCOMPARE(Form().PageShown(), TPage::Monitoring);
        TMessagesGridModel* messages = MessagesGrid(Form());
        QCOMPARE(messages->rowCount(), 2);
        QCOMPARE(messages->index(0, kMsgText).data().toString(), QString("Door open"));
        Find<QTableView>(Form(), "MonitorGrid")->selectRow(0);
        QCOMPARE(EventGrid(Form(), true)->rowCount(), 1);
        QCOMPARE(EventGrid(Form(), false)->rowCount(), 1);
        Find<QTableView>(Form(), "MonitorGrid")->selectRow(1);
        QCOMPARE(EventGrid(Form(), false)->EventAt(0), -1);  // "Panic" has none

        // A press on the text column's title sorts by it, twice the other way round; the
        // sort goes to the settings.
        QHeaderView* header = Find<QTableView>(Form(), "MonitorGrid")->horizontalHeader();
        for (int press = 0; press < 2; ++press) {
            const QPoint p(
                header->sectionViewportPosition(kMsgText) + header->sectionSize(kMsgText) / 2,
                header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, p);
        }
        QCOMPARE(Core().settings.MonitorSortCol, int(kMsgText));
        QVERIFY(!Core().settings.MonitorSortUp);
        QCOMPARE(messages->index(0, kMsgText).data().toString(), QString("Panic"));
        // "Panic" stays chosen in its new row, its event shown.
        QCOMPARE(Find<QTableView>(Form(), "MonitorGrid")->currentIndex().row(), 0);
        QCOMPARE(EventGrid(Form(), true)->index(0, kEvSerial).data().toString(),
                 QString("x033333"));
        Shot(&Form(), "monitoring-page");
    }

    void ctrlF12EntersOnlineAndMonitorMode() {
        QVERIFY(Find<QWidget>(Form(), "MonitorPanel")->isHidden());
        Form().activateWindow();
        Form().windowHandle()->requestActivate();
        QVERIFY(WaitFor([&] { return QApplication::activeWindow() == &Form(); }));
        QTest::keyClick(&Form(), Qt::Key_F12, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return Monitor().MonitorMode(); }, 10000));
        QVERIFY(Core().state.LoggedIn);
        QVERIFY(Core().state.OnLine);
        QVERIFY(Find<QWidget>(Form(), "MonitorPanel")->isVisible());
        QVERIFY(Form().pages()->isHidden());
        QVERIFY(Form().OnlinePanel()->isHidden());
        QVERIFY(Find<QToolBar>(Form(), "ToolBar")->isHidden());
        // File, Edit and Communication are off; Help stays.
        QVERIFY(!Form().MenuEnabled(TMenuName::File));
        QVERIFY(!Form().MenuEnabled(TMenuName::Edit));
        QVERIFY(!Form().MenuEnabled(TMenuName::Communication));
        QVERIFY(Form().MenuEnabled(TMenuName::Help));
        QCOMPARE(List()->MessageAt(0), -1);
        // F12 would leave on-line mode under the monitor: its key is off as well.
        QTest::keyClick(&Form(), Qt::Key_F12);
        QTest::qWait(100);
        QVERIFY(Core().state.OnLine);
        QVERIFY(Monitor().MonitorMode());
    }

    void aReceptionActivatesItsMessageWithPopupAndSound() {
        QVERIFY(Receive("0012345 1 00 0000"));
        QCOMPARE(Monitor().monitor().ActiveCount(), 1);
        QCOMPARE(List()->MessageAt(0), 0);
        const QStringList row = Row(List(), 0);
        QCOMPARE(row.at(0), QString("1"));
        QCOMPARE(row.at(1), QString("Door open"));
        QVERIFY(!row.at(2).isEmpty());  // activation time
        TMonitorMessageForm* popup = Popup(Form(), 1);
        QVERIFY(popup);
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->textLabel()->text(), QString("Door open"));
        QCOMPARE(sound.Played(), std::vector<int>{kSoundShortBeep});
        QVERIFY(onlineSound.Played().empty());  // no on-line beep in monitor mode

        // The same transmitter again changes nothing: the message is active already.
        QVERIFY(Receive("0012345 1 00 0000"));
        QCOMPARE(Monitor().monitor().ActiveCount(), 1);
        QCOMPARE(sound.Played().size(), size_t(1));
    }

    void theRowBlinks() {
        const QModelIndex cell = List()->index(0, 2);
        const QColor first = cell.data(Qt::BackgroundRole).value<QBrush>().color();
        QVERIFY(WaitFor(
            [&] { return cell.data(Qt::BackgroundRole).value<QBrush>().color() != first; }, 2000));
        QVERIFY(WaitFor(
            [&] { return cell.data(Qt::BackgroundRole).value<QBrush>().color() == first; }, 2000));
    }

    void secondMessageThenDeactivationByTransmitter() {
        QVERIFY(Receive("0033333 3 00 0002"));
        QCOMPARE(Monitor().monitor().ActiveCount(), 2);
        QCOMPARE(Row(List(), 1).at(1), QString("Panic"));
        QVERIFY(!Popup(Form(), 2));  // no window for it
        Shot(&Form(), "monitor-panel");
        if (TMonitorMessageForm* popup = Popup(Form(), 1)) Shot(popup, "monitor-popup");

        // 22222's button 2 clears "Door open": its window goes, "Panic" moves up.
        QVERIFY(Receive("0022222 2 00 0001"));
        QCOMPARE(Monitor().monitor().ActiveCount(), 1);
        QVERIFY(!Popup(Form(), 1));
        QCOMPARE(Row(List(), 0).at(1), QString("Panic"));
    }

    void markAndDeactiveByHand() {
        QTableView* grid = Find<QTableView>(Form(), "MessageGrid");
        const QRect box = grid->visualRect(List()->index(0, kListMark));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, box.center());
        QCOMPARE(List()->index(0, kListMark).data(Qt::CheckStateRole).toInt(),
                 static_cast<int>(Qt::Checked));
        QTest::keyClicks(Find<QLineEdit>(Form(), "OperatorEdit"), "Eve");
        QTest::mouseClick(Find<QPushButton>(Form(), "MessageClearButton"), Qt::LeftButton);
        QCOMPARE(Monitor().monitor().ActiveCount(), 0);
        QCOMPARE(List()->MessageAt(0), -1);
        QVERIFY(!Find<QCheckBox>(Form(), "MessageClearBox1")->isChecked());
        QCOMPARE(Core().settings.Operator, std::string("Eve"));  // remembered for the next run
    }

    void exitClearsEverythingAndLeavesBothModes() {
        QVERIFY(Receive("0012345 1 00 0000"));
        QVERIFY(Receive("0033333 3 00 0000"));
        QCOMPARE(Monitor().monitor().ActiveCount(), 2);
        QTest::mouseClick(Find<QPushButton>(Form(), "MonitorEndButton"), Qt::LeftButton);
        QVERIFY(!Monitor().MonitorMode());
        QCOMPARE(Monitor().monitor().ActiveCount(), 0);
        QVERIFY(!Popup(Form(), 1));
        QVERIFY(WaitFor([&] { return !Core().state.OnLine; }));  // it was off before
        QVERIFY(Find<QWidget>(Form(), "MonitorPanel")->isHidden());
        QVERIFY(!Form().pages()->isHidden());
        QVERIFY(Form().MenuEnabled(TMenuName::File));
        QVERIFY(Form().Action("MenuCommSetup")->isEnabled());
        // Ctrl+F12 works again: monitor mode once more, and out by Exit.
        Form().activateWindow();
        QVERIFY(WaitFor([&] { return QApplication::activeWindow() == &Form(); }));
        QTest::keyClick(&Form(), Qt::Key_F12, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return Monitor().MonitorMode(); }, 10000));
        QTest::mouseClick(Find<QPushButton>(Form(), "MonitorEndButton"), Qt::LeftButton);
        QVERIFY(!Monitor().MonitorMode());
        QVERIFY(WaitFor([&] { return !Core().state.OnLine; }));
    }

    void theAlarmLogHoldsEveryChange() {
        std::vector<TAlarmEntry> log;
        QVERIFY(WaitFor([&] { return (log = Logged()).size() >= 8; }));
        QStringList seen;
        for (const TAlarmEntry& e : log)
            seen << QString("%1 %2 %3").arg(ActionName(e.Action), CauseName(e.Cause)).arg(e.Number);
        QCOMPARE(seen, (QStringList{"activate transmitter 1", "activate transmitter 2",
                                    "deactivate transmitter 1", "deactivate hand 2",
                                    "activate transmitter 1", "activate transmitter 2",
                                    "deactivate exit 1", "deactivate exit 2"}));
        QCOMPARE(log[3].Operator, std::string("Eve"));  // who cleared it by hand
        QCOMPARE(log[2].Operator, std::string());
        // ravlin-cli reads the same log.
        const TCliResult r = TCliRun::Run({"--home", Home().toStdString(), "--data-dir",
                                           RAVLIN_TEST_DATA_DIR, "--lang", "US", "alarms"});
        QCOMPARE(r.status, 0);
        QVERIFY(QString::fromStdString(r.out).contains("Door open"));
    }

    void removingAMessageMarksThePageUnsaved() {
        TMessagesGridModel* messages = MessagesGrid(Form());
        QCOMPARE(Form().pages()->tabText(static_cast<int>(TPage::Monitoring)).endsWith('*'), false);
        Find<QTableView>(Form(), "MonitorGrid")->selectRow(messages->RowOf(1));  // "Panic"
        QTest::mouseClick(Find<QPushButton>(Form(), "MonitorRemoveButton"),
                          Qt::LeftButton);  // the question answered Yes
        QCOMPARE(Monitor().monitor().Messages.size(), size_t(1));
        QCOMPARE(Monitor().monitor().Messages[0].Text, std::string("Door open"));
        QVERIFY(!Monitor().monitor().Saved);
        QVERIFY(WaitFor([&] {
            return Form().pages()->tabText(static_cast<int>(TPage::Monitoring)).endsWith('*');
        }));
        // "Save all" writes the set-up to its file and clears the mark.
        Form().Action("MenuSave")->trigger();
        QVERIFY(Monitor().monitor().Saved);
        QFile f(SetupPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QVERIFY(saved.contains("Door open"));
        QVERIFY(!saved.contains("Panic"));
        QVERIFY(WaitFor([&] {
            return !Form().pages()->tabText(static_cast<int>(TPage::Monitoring)).endsWith('*');
        }));
    }

    void cleanupTestCase() { desktop.reset(); }
};

QTEST_MAIN(MonitorTest)
#include "monitor.moc"
