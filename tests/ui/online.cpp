// On-line mode of the desktop program against the real simulator: F12 sent as a key, each
// injected reception in the on-line panel with its record selected, the beep, the on-line
// Add through the record editor, the History and Battery views with their sorting and
// clearing, the logs as `ravlin-cli listen --log` and `ravlin-cli history` see them, and
// every way out of on-line mode (the key again, logout, a lost connection, a poll the user
// cancels, a receiver without on-line mode, the program's exit), then the start-up option.
//
// RAVLIN_SCREENSHOTS=<folder> also saves pictures of the panel and the two views there.

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <deque>

#include "CliRun.h"
#include "GuiSupport.h"
#include "RecordingSound.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/StatusBar.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/Text.h"
#include "document/ui/DocumentController.h"
#include "document/ui/QtFileChooser.h"
#include "online/ui/LogPages.h"
#include "online/ui/OnlineController.h"
#include "online/ui/OnlinePanel.h"
#include "receiver/TransferWorker.h"
#include "receiver/ui/ReceiverController.h"
#include "receiver/ui/ReceiverForms.h"
#include "records/ui/EditForm.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// KV3S records (10 bytes: O O B S S S S S T x 12), three in use, the rest erased.
const char* kRecords[] = {
    "01112345000000000000",  // position 1: serial 12345, button 1
    "02222222000000000000",  // position 2: serial 22222, button 2
    "03333333000000000000",  // position 3: serial 33333, button 3
};

std::vector<uint8_t> Image(int bytes) {
    std::vector<uint8_t> image(static_cast<size_t>(bytes), 0xFF);
    size_t at = 0;
    for (const char* r : kRecords)
        for (int i = 0; i < 20; i += 2)
            image[at++] = static_cast<uint8_t>(std::stoi(std::string(r + i, 2), nullptr, 16));
    return image;
}

QStringList Row(QAbstractItemModel* m, int row) {
    QStringList out;
    for (int c = 0; c < m->columnCount(); ++c) out << m->index(row, c).data().toString();
    return out;
}

QStringList Column(QAbstractItemModel* m, int column) {
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, column).data().toString();
    return out;
}

QString Csv(QAbstractItemModel* m) {
    QStringList headers;
    for (int c = 0; c < m->columnCount(); ++c)
        headers << m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QString out = headers.join(',') + "\n";
    for (int r = 0; r < m->rowCount(); ++r) out += Row(m, r).join(',') + "\n";
    return out;
}

void ClickHeader(QTableView* grid, int column) {
    QHeaderView* h = grid->horizontalHeader();
    const QPoint p(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                   h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
}

}  // namespace

class OnlineTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    TRecordingSound sound;
    std::vector<TMessage> shown;

    QString Home() const { return dir.path() + "/home"; }
    TCore& Core() { return desktop->core(); }
    TOnlineController& Online() { return desktop->online(); }
    TMainForm& Form() { return desktop->form(); }
    QString TextOf(Text id) { return L(Core().texts(), id); }

    // The key as the user presses it, on the active main window.
    void PressF12() {
        Form().activateWindow();
        // The offscreen platform leaves the focus on a hidden tool window ("Working ...")
        // whose transient parent is the main window, so activateWindow() thinks it is done;
        // ask the window itself, as a window manager would on the user's click.
        Form().windowHandle()->requestActivate();
        QVERIFY(WaitFor([&] { return QApplication::activeWindow() == &Form(); }));
        QTest::keyClick(&Form(), Qt::Key_F12);
    }
    // A reception injected at the receiver; true once its poll is over.
    bool Receive(const std::string& line) {
        QSignalSpy polled(&Online(), &TOnlineController::pollFinished);
        if (sim.Control("reception " + line) != "ok") return false;
        return polled.wait(10000) && polled.takeFirst().at(0).toBool();
    }
    int CurrentRow(QTableView* grid) { return grid->currentIndex().row(); }
    long Frames() {
        long n = -1;
        std::sscanf(sim.Control("stats").c_str(), "frames %ld", &n);
        return n;
    }
    bool WaitFrames(long frames) {
        return WaitFor([&] { return Frames() >= frames; }, 10000);
    }

    void Shot(QWidget* w, const QString& name) {
        const QByteArray folder = qgetenv("RAVLIN_SCREENSHOTS");
        if (folder.isEmpty()) return;
        QDir().mkpath(QString::fromLocal8Bit(folder));
        w->grab().save(QString::fromLocal8Bit(folder) + "/" + name + ".png");
    }

    std::unique_ptr<TDesktop> MakeDesktop(const QString& home) {
        auto d = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, QString()});
        d->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::Yes;
        });
        d->online().SetSoundPlayer(&sound);
        d->core().receiver.link.SetTimingForTests(300, 5);
        return d;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        const QString img = dir.path() + "/area.bin";
        QFile f(img);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const auto bytes = Image(0x400);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        f.close();
        QVERIFY(sim.Start(TSimProcess::Tcp, {"--type", "KV3S", "--data-dir", RAVLIN_TEST_DATA_DIR,
                                             "--load", img.toStdString()}));
        WriteSettings(Home(), sim.Port(),
                      "FindLast=1\r\nHistoryMonitorLevel=1\r\nBatteryMonitorLevel=4\r\n"
                      "Beep=1\r\nSoundCard=1\r\nSoundSpeaker=0\r\n");
        desktop = MakeDesktop(Home());
        QVERIFY(desktop->Start());
        QVERIFY(desktop->StartComplete());
        Form().resize(900, 600);
    }

    void hiddenCommandsAndPages() {
        QVERIFY(!Form().Action("MenuOnline")->isVisible());
        QVERIFY(Form().OnlinePanel()->isHidden());
        QVERIFY(!Form().pages()->isTabVisible(static_cast<int>(TPage::History)));
        QVERIFY(!Form().pages()->isTabVisible(static_cast<int>(TPage::Battery)));
        QCOMPARE(Online().panel().lastTx()->text(), QString("-"));
        QVERIFY(!Online().panel().addButton()->isEnabled());
        QVERIFY(Online().panel().lowBattery()->isHidden());
    }

    void f12LogsInAndEntersOnlineMode() {
        PressF12();
        QVERIFY(WaitFor([&] { return Core().state.OnLine; }));
        QVERIFY(Core().state.LoggedIn);
        QCOMPARE(Form().Action("MenuOnline")->text(), TextOf(Text::MenuStopOnline));
        QVERIFY(Form().OnlinePanel()->isVisible());
        QVERIFY(WaitFor([&] { return Form().Panel(2) == "On-line"; }));
        QVERIFY(!Core().receiver.transferWorker.Idle());  // listening
        QVERIFY(shown.empty());
    }

    void anotherReceiverCommandStopsAndRestartsListening() {
        // The download needs the link: listening stops for it and starts again after it.
        QVERIFY(desktop->receiver().MenuDownloadClick());
        QCOMPARE(desktop->views().memoryModel()->rowCount(), 3);
        QTest::qWait(200);
        QVERIFY(Core().state.OnLine);
        QVERIFY(!Core().receiver.transferWorker.Idle());
        QCOMPARE(Form().Action("MenuOnline")->text(), TextOf(Text::MenuStopOnline));
    }

    void eachReceptionInThePanelWithItsRecordSelected() {
        QTableView* memory = desktop->views().memoryGrid();
        // Monitor mode's hook sees every poll, "0000000" included.
        QStringList polled;
        const auto hook =
            connect(&Online(), &TOnlineController::receptionPolled, this, [&](const TReception& r) {
                polled << QString::fromStdString(r.serial + " " + r.button);
            });
        QVERIFY(Receive("0012345 1 01 0000"));
        TOnlinePanelWidgets& p = Online().panel();
        QCOMPARE(p.lastTx()->text(), QString("0012345"));
        QCOMPARE(p.lastBtn()->text(), QString("1"));
        QCOMPARE(p.lastMem()->text(), QString("1"));
        QVERIFY(p.lowBattery()->isVisible());
        QVERIFY(!p.addButton()->isEnabled());  // shown in the Memory view with this button
        QCOMPARE(CurrentRow(memory), 0);
        Shot(&Form(), "online-panel");

        QVERIFY(Receive("0033333 3 00 0002"));
        QCOMPARE(p.lastTx()->text(), QString("0033333"));
        QCOMPARE(p.lastMem()->text(), QString("3"));
        QVERIFY(p.lowBattery()->isHidden());
        QCOMPARE(CurrentRow(memory), 2);
        QVERIFY(!p.addButton()->isEnabled());

        // The same transmitter with another button: not in the views, Add offered.
        QVERIFY(Receive("0033333 4 00 0002"));
        QVERIFY(p.addButton()->isEnabled());
        QCOMPARE(CurrentRow(memory), 2);  // nothing selected anew

        // "0000000": nothing received; the memory field keeps its value, nothing is
        // logged, Add is off, and the beep still sounds.
        const size_t logged = Core().history.Items().size();
        QVERIFY(Receive("0000000 0 00 FFFF"));
        QCOMPARE(p.lastTx()->text(), QString("-"));
        QCOMPARE(p.lastBtn()->text(), QString("-"));
        QCOMPARE(p.lastMem()->text(), QString("3"));
        QVERIFY(!p.addButton()->isEnabled());
        QCOMPARE(Core().history.Items().size(), logged);
        QCOMPARE(sound.Played(), (std::vector<int>{kSoundShortBeep, kSoundShortBeep,
                                                   kSoundShortBeep, kSoundShortBeep}));
        QCOMPARE(polled, (QStringList{"0012345 1", "0033333 3", "0033333 4", "0000000 0"}));

        // In monitor mode no beep; while monitoring's adding window is shown no Add.
        struct TMonitoring : TOnlineMonitoring {
            bool MonitorMode() const override { return true; }
            bool AddWindowShown() const override { return true; }
        } const monitoring;
        Online().SetMonitoring(&monitoring);
        QVERIFY(Receive("0033333 5 00 FFFF"));  // not logged at level 1
        QCOMPARE(polled.size(), 5);
        QCOMPARE(sound.Played().size(), size_t(4));
        QVERIFY(!p.addButton()->isEnabled());
        Online().SetMonitoring(nullptr);
        disconnect(hook);
        QVERIFY(Receive("0000000 0 00 FFFF"));
        QCOMPARE(polled.size(), 5);
        QCOMPARE(sound.Played().size(), size_t(5));
    }

    void onlineAddThroughTheEditor() {
        TOnlinePanelWidgets& p = Online().panel();
        QVERIFY(Receive("1A54321 6 01 FFFF"));
        QCOMPARE(p.lastMem()->text(), QString("-"));
        QVERIFY(p.addButton()->isEnabled());

        // Cancel: nothing changes, Add stays offered.
        auto cancelled = OnNextModal<TEditForm>([](TEditForm* form) { form->reject(); });
        QTest::mouseClick(p.addButton(), Qt::LeftButton);
        QVERIFY(*cancelled);
        QCOMPARE(desktop->views().memoryModel()->rowCount(), 3);
        QVERIFY(p.addButton()->isEnabled());

        auto done = OnNextModal<TEditForm>([](TEditForm* form) { form->accept(); });
        QTest::mouseClick(p.addButton(), Qt::LeftButton);
        QVERIFY(*done);
        const TRecordTable& t = Core().table;
        QVERIFY(!t[3].Empty);
        QCOMPARE(t[3].Serial, std::string("54321"));
        QCOMPARE(t[3].CodePrefix, std::string("1A"));
        QCOMPARE(t[3].Button, std::string("6"));
        QVERIFY(Core().state.MemoryModified);
        QVERIFY(!p.addButton()->isEnabled());
        QCOMPARE(desktop->views().memoryModel()->rowCount(), 4);

        // Received again: now found in the Memory view, selected, no Add.
        QVERIFY(Receive("1A54321 6 00 FFFF"));
        QVERIFY(!p.addButton()->isEnabled());
        QCOMPARE(CurrentRow(desktop->views().memoryGrid()), 3);
        QVERIFY(Core().state.OnLine);
    }

    void historyViewFilledAndSorted() {
        // The View menu of the menu bar reaches both pages and the column.
        QMenu* view = nullptr;
        for (QAction* a : Form().menuBar()->actions())
            if (a->menu() && a->menu()->actions().contains(Form().Action("MenuHistoryView")))
                view = a->menu();
        QVERIFY(view);
        QCOMPARE(view->title(), QString("View"));
        for (const char* name : {"MenuHistoryView", "MenuBatteryView", "MenuLastHeard"}) {
            QVERIFY(view->actions().contains(Form().Action(name)));
            QVERIFY(Form().Action(name)->isVisible() && Form().Action(name)->isEnabled());
        }
        view->popup(Form().mapToGlobal(QPoint(90, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(view));
        Shot(view, "view-menu");
        view->close();

        // Level 1 logged the receptions from the receiver memory: 0012345, 0033333 twice.
        Form().Action("MenuHistoryView")->trigger();
        QVERIFY(Form().pages()->isTabVisible(static_cast<int>(TPage::History)));
        QCOMPARE(Form().PageShown(), TPage::History);
        QAbstractItemModel* m = Online().historyModel();
        QCOMPARE(m->rowCount(), 3);
        QCOMPARE(m->columnCount(), 9);
        QCOMPARE(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                 TextOf(Text::SerialColumn));
        // Opened newest first.
        QCOMPARE(Column(m, 0), (QStringList{"0033333", "0033333", "0012345"}));
        QCOMPARE(Column(m, 1), (QStringList{"4", "3", "1"}));
        QCOMPARE(Column(m, 3), (QStringList{TextOf(Text::BatteryOk), TextOf(Text::BatteryOk),
                                            TextOf(Text::BatteryLow)}));
        // The low battery is red, the others are not.
        QCOMPARE(m->index(2, 3).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
        QVERIFY(!m->index(0, 3).data(Qt::ForegroundRole).isValid());
        QVERIFY(!m->index(2, 0).data(Qt::ForegroundRole).isValid());

        QTableView* grid = Online().historyGrid();
        // The time stamps are not cut at the default widths.
        QVERIFY(grid->columnWidth(2) >
                grid->fontMetrics().horizontalAdvance(m->index(0, 2).data().toString()));
        QCOMPARE(grid->columnWidth(0), kDefaultColumnWidth);
        grid->selectRow(2);  // 0012345: followed through the sort
        ClickHeader(grid, 0);
        QCOMPARE(Column(m, 0), (QStringList{"0012345", "0033333", "0033333"}));
        QCOMPARE(CurrentRow(grid), 0);
        QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), 0);
        ClickHeader(grid, 0);
        QCOMPARE(Column(m, 0), (QStringList{"0033333", "0033333", "0012345"}));
        QCOMPARE(Column(m, 1), (QStringList{"4", "3", "1"}));  // equal keys keep their order
        QCOMPARE(CurrentRow(grid), 2);
        ClickHeader(grid, 1);
        QCOMPARE(Column(m, 1), (QStringList{"1", "3", "4"}));
        Shot(&Form(), "history-view");

        // A reception while the view is shown takes its place in the view's order; the
        // widths the user gave stay.
        grid->setColumnWidth(2, 90);
        QVERIFY(Receive("0022222 2 00 0001"));
        QCOMPARE(grid->columnWidth(2), 90);
        QCOMPARE(m->rowCount(), 4);
        QCOMPARE(Column(m, 1), (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(Row(m, 1).mid(0, 2), (QStringList{"0022222", "2"}));
    }

    void batteryViewFilledSortedAndCleared() {
        // Level 4: every transmitter that reported a low battery: 0012345 (low), 1A54321
        // (low, then good: changed).
        Form().Action("MenuBatteryView")->trigger();
        QCOMPARE(Form().PageShown(), TPage::Battery);
        QAbstractItemModel* m = Online().batteryModel();
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->columnCount(), 8);
        QCOMPARE(Column(m, 0), (QStringList{"0012345", "1A54321"}));
        QCOMPARE(Column(m, 1),
                 (QStringList{TextOf(Text::BatteryLow), TextOf(Text::BatteryChanged)}));
        QCOMPARE(m->index(0, 1).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
        QCOMPARE(m->index(1, 1).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(0, 128, 0));

        QTableView* grid = Online().batteryGrid();
        ClickHeader(grid, 0);  // the sort column already: descending now
        QCOMPARE(Column(m, 0), (QStringList{"1A54321", "0012345"}));
        QCOMPARE(Core().settings.BatteryMonitorSortCol, 0);
        QVERIFY(!Core().settings.BatteryMonitorSortUp);
        ClickHeader(grid, 1);
        QCOMPARE(Core().settings.BatteryMonitorSortCol, 1);
        QVERIFY(Core().settings.BatteryMonitorSortUp);
        QCOMPARE(Column(m, 1),
                 (QStringList{TextOf(Text::BatteryLow), TextOf(Text::BatteryChanged)}));
        Shot(&Form(), "battery-view");

        // The boxes exclude each other.
        TBatteryPage& page = Online().batteryPage();
        page.clearBox(0)->setChecked(true);
        page.clearBox(2)->setChecked(true);
        QVERIFY(!page.clearBox(0)->isChecked() && page.clearBox(2)->isChecked());
        page.clearBox(1)->setChecked(true);
        QVERIFY(!page.clearBox(2)->isChecked());
        QTest::mouseClick(page.clearButton(), Qt::LeftButton);
        QCOMPARE(Column(m, 0), (QStringList{"0012345"}));
        QVERIFY(!page.clearBox(1)->isChecked());
        QCOMPARE(Core().battery.Items().size(), size_t(1));

        // Double click: the transmitter in the Memory view (no document open).
        grid->selectRow(0);
        const QPoint first = grid->visualRect(m->index(0, 0)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                           grid->visualRect(m->index(0, 0)).center());
        QCOMPARE(Form().PageShown(), TPage::Memory);
        QCOMPARE(CurrentRow(desktop->views().memoryGrid()), 0);
    }

    void lastHeardColumnInTheFileView() {
        // Without a document the File view is hidden; the column is still switched.
        QAction* a = Form().Action("MenuLastHeard");
        QVERIFY(a->isCheckable());
        a->trigger();
        QVERIFY(Core().settings.LastHeardColumn);
        QCOMPARE(LastHeardText(Core().lastHeard, Core().table[0]).size(), size_t(19));
        a->trigger();
        QVERIFY(!Core().settings.LastHeardColumn);
    }

    void theCommandLineSeesTheSameLogs() {
        // Off: the link is free for ravlin-cli.
        PressF12();
        QVERIFY(WaitFor([&] { return !Core().state.OnLine; }));
        QVERIFY(!Core().receiver.link.IsOpen());
        QVERIFY(Core().receiver.transferWorker.Idle());
        QCOMPARE(Form().Action("MenuOnline")->text(), TextOf(Text::MenuOnline));

        const std::vector<std::string> common = {
            "--home", Home().toStdString(), "--data-dir", RAVLIN_TEST_DATA_DIR, "--lang", "US"};
        auto cli = [&](std::vector<std::string> args) {
            args.insert(args.begin(), common.begin(), common.end());
            return TCliRun::Run(args);
        };
        // The desktop's receptions as `history` prints them.
        TCliResult history = cli({"history", "--csv"});
        QCOMPARE(history.status, 0);
        Form().Action("MenuHistoryView")->trigger();  // opened afresh: newest first
        QCOMPARE(QString::fromStdString(history.out), Csv(Online().historyModel()));

        // Two more receptions logged headlessly into the same logs.
        std::vector<std::string> listen = sim.CliOptions();
        listen.insert(listen.end(), {"listen", "--log", "--count", "2"});
        listen.insert(listen.begin(), common.begin(), common.end());
        qputenv("RAVLIN_LINK_TIMING", "300,5");
        const long frames = Frames();
        TCliRun run;
        QVERIFY(run.Start(listen));
        // Logged in (descriptor, name, password) and on-line (name, password again).
        QVERIFY(WaitFrames(frames + 5));
        QTest::qWait(300);
        QCOMPARE(QString::fromStdString(sim.Control("reception 0012345 1 00 0000")), QString("ok"));
        QVERIFY(WaitFrames(frames + 6));
        QTest::qWait(300);
        QCOMPARE(QString::fromStdString(sim.Control("reception 0022222 2 00 0001")), QString("ok"));
        const TCliResult listened = run.Finish(20000);
        QCOMPARE(listened.status, 0);
        QCOMPARE(QString::fromStdString(listened.out), QString("0012345 1 ok 1\n0022222 2 ok 2\n"));

        history = cli({"history", "--csv"});
        QCOMPARE(history.status, 0);
        Form().ShowPage(TPage::Memory);
        Form().ShowPage(TPage::History);  // shown again: read from the file
        QAbstractItemModel* m = Online().historyModel();
        QCOMPARE(m->rowCount(), 6);
        QCOMPARE(QString::fromStdString(history.out), Csv(m));
        QCOMPARE(Column(m, 0).mid(0, 2), (QStringList{"0022222", "0012345"}));
        // The battery of 0012345 was reported good: changed.
        QCOMPARE(QString::fromStdString(cli({"battery", "--csv"}).out).count("Changed"), 1);
    }

    void logoutLeavesOnlineMode() {
        PressF12();
        QVERIFY(WaitFor([&] { return Core().state.OnLine; }));
        QVERIFY(desktop->receiver().MenuLoginClick() == false);  // the logout
        QVERIFY(!Core().state.LoggedIn);
        QVERIFY(WaitFor([&] { return !Core().state.OnLine; }));
        QVERIFY(Core().receiver.transferWorker.Idle());
        QVERIFY(!Core().receiver.link.IsOpen());
        QVERIFY(WaitFor([&] { return Form().Panel(2).isEmpty(); }));
        QCOMPARE(Form().Action("MenuOnline")->text(), TextOf(Text::MenuOnline));
    }

    void aLostConnectionKeepsOnlineModeAndReconnects() {
        PressF12();  // logs in again first
        QVERIFY(WaitFor([&] { return Core().state.OnLine; }));
        QSignalSpy restored(&Online(), &TOnlineController::linkRestored);
        shown.clear();
        QCOMPARE(QString::fromStdString(sim.Control("down")), QString("ok"));
        QVERIFY(WaitFor([&] { return Online().LinkLost(); }, 10000));
        QVERIFY(Core().state.OnLine);
        QVERIFY(WaitFor([&] { return Form().Panel(2) == kLinkLostMark; }));
        QCOMPARE(QString::fromStdString(sim.Control("up")), QString("ok"));
        QVERIFY(restored.wait(10000));
        QVERIFY(!Online().LinkLost());
        QVERIFY(Core().receiver.link.IsOpen());
        QVERIFY(!Core().receiver.transferWorker.Idle());  // listening again
        QVERIFY(WaitFor([&] { return Form().Panel(2) == "On-line"; }));
        QVERIFY(shown.empty());  // the tries said nothing
        // And the receptions come as before.
        QVERIFY(Receive("0012345 1 00 0000"));
        PressF12();
        QVERIFY(WaitFor([&] { return !Core().state.OnLine; }));
    }

    void aPollTheUserCancelsLeavesOnlineMode() {
        shown.clear();
        PressF12();
        QVERIFY(WaitFor([&] { return Core().state.OnLine; }));
        // Every answer comes too late: the reads fail and the pause window offers Cancel.
        QCOMPARE(QString::fromStdString(sim.Control("set delay 1:3000")), QString("ok"));
        QString label;
        auto done = OnNextModal<TCommForm>(
            [&](TCommForm* form) {
                label = form->findChild<QLabel*>()->text();
                QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
            },
            30000);
        QSignalSpy polled(&Online(), &TOnlineController::pollFinished);
        QCOMPARE(QString::fromStdString(sim.Control("reception 0012345 1 00 0000")), QString("ok"));
        QVERIFY(polled.wait(40000));
        QVERIFY(*done);
        QCOMPARE(polled.takeFirst().at(0).toBool(), false);
        QCOMPARE(label, TextOf(Text::WaitingForNextTry));
        QVERIFY(!Core().state.OnLine);
        QVERIFY(!Core().receiver.link.IsOpen());
        QVERIFY(!Online().commForm().isVisible());
        QCOMPARE(QString::fromStdString(sim.Control("set delay 0:0")), QString("ok"));
    }

    void aReceiverWithoutOnlineMode() {
        // Another receiver type at the far end: KV8M has no on-line mode.
        TSimProcess other;
        QVERIFY(other.Start(TSimProcess::Tcp, {"--data-dir", RAVLIN_TEST_DATA_DIR}));
        if (Core().state.LoggedIn) desktop->receiver().MenuLoginClick();
        QVERIFY(!Core().state.LoggedIn);
        Core().receiver.link.Settings.IPPort = std::to_string(other.Port());
        Core().receiver.link.UpdateConnectionText();
        shown.clear();
        PressF12();
        QVERIFY(WaitFor([&] { return Core().state.LoggedIn && Form().CommCommandsEnabled(); }));
        QTest::qWait(200);
        QVERIFY(!Core().state.OnLine);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::NoOnlineMode);
        QVERIFY(!Core().receiver.link.IsOpen());
        desktop->receiver().MenuLoginClick();  // logout
        Core().receiver.link.Settings.IPPort = std::to_string(sim.Port());
        Core().receiver.link.UpdateConnectionText();
    }

    void closingTheProgramLeavesOnlineModeAndKeepsWidths() {
        PressF12();
        QVERIFY(WaitFor([&] { return Core().state.OnLine; }));
        Form().Action("MenuHistoryView")->trigger();
        Online().historyGrid()->setColumnWidth(0, 123);
        QVERIFY(Form().close());
        QVERIFY(!Core().state.OnLine);
        QVERIFY(Core().receiver.transferWorker.Idle());
        QVERIFY(!Core().receiver.link.IsOpen());
        QFile ini(Home() + "/RavlinProj.ini");
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY(text.contains("[HistoryGrid]\r\nCol1=123\r\n"));
        QVERIFY(text.contains("BatteryMonitorSortCol=1\r\n"));
        QVERIFY(text.contains("PageControl=2\r\n"));
        desktop.reset();
    }

    void startUpOptionOnlineAndThePageOfTheLastRun() {
        // The settings of the last run show the History view again; Online=1 enters on-line
        // mode at the first activation, after the start-up download (which brings its
        // records to the front in the Memory view).
        QFile ini(Home() + "/RavlinProj.ini");
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QByteArray text = ini.readAll();
        ini.close();
        text.replace("Online=0", "Online=1");
        text.replace("Download=0", "Download=1");
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
        ini.close();
        desktop = MakeDesktop(Home());
        QVERIFY(desktop->Start());
        QVERIFY(WaitFor([&] { return Core().state.OnLine; }, 10000));
        QCOMPARE(desktop->views().memoryModel()->rowCount(), 3);
        QCOMPARE(Form().PageShown(), TPage::Memory);
        QVERIFY(Form().pages()->isTabVisible(static_cast<int>(TPage::History)));
        QVERIFY(!Form().pages()->isTabVisible(static_cast<int>(TPage::Battery)));
        QCOMPARE(Online().historyModel()->rowCount(), 7);
        QVERIFY(Receive("0012345 1 01 0000"));
        QCOMPARE(Online().panel().lastTx()->text(), QString("0012345"));
        QVERIFY(Form().close());
        QVERIFY(Core().receiver.transferWorker.Idle());
        desktop.reset();
    }

    void fileViewSelectionAndLastHeardColumn() {
        // Started as the last run left it: logged in, downloaded, on-line.
        desktop = MakeDesktop(Home());
        QVERIFY(desktop->Start());
        QVERIFY(WaitFor([&] { return Core().state.OnLine; }, 10000));
        // The downloaded records kept as a data file: the File view shows them.
        const std::string file = (dir.path() + "/site.rvl").toStdString();
        desktop->documents().chooser().fileResponder = [file](bool, const TFileDialog&) {
            return std::optional<std::string>(file);
        };
        QVERIFY(desktop->documents().MenuSaveAsClick());
        QVERIFY(Core().state.DocumentOpen);
        TGridModel* m = desktop->views().fileModel();
        QTableView* grid = desktop->views().fileGrid();
        QVERIFY(WaitFor([&] { return m->rowCount() == 3; }));
        const int own = m->columnCount();

        Form().Action("MenuLastHeard")->trigger();
        QVERIFY(WaitFor([&] { return m->columnCount() == own + 1; }));
        QCOMPARE(m->headerData(own, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QString(kLastHeardTitle));

        // The transmitter received: its row of the File view selected, its time there.
        Form().ShowPage(TPage::File);
        QVERIFY(Receive("0022222 2 00 0001"));
        const int row = grid->currentIndex().row();
        QVERIFY(row >= 0);
        const std::vector<int> records = desktop->views().RowRecords(TPage::File);
        QCOMPARE(Core().table[static_cast<size_t>(records[static_cast<size_t>(row)])].Serial,
                 std::string("22222"));
        const QString heard = m->index(row, own).data().toString();
        QCOMPARE(heard.size(), 19);
        QCOMPARE(heard, QString::fromStdString(LastHeardText(
                            Core().lastHeard,
                            Core().table[static_cast<size_t>(records[static_cast<size_t>(row)])])));
        Form().Action("MenuLastHeard")->trigger();
        QVERIFY(WaitFor([&] { return m->columnCount() == own; }));
        Core().state.Saved = true;
        QVERIFY(Form().close());
        desktop.reset();
    }
};

QTEST_MAIN(OnlineTest)
#include "online.moc"
