// A new user's whole way through monitor mode, against the real simulator: from an empty
// set-up, two messages and their events built in the editors, saved to a monitor file,
// Ctrl+F12, a transmitter's button raising a red blinking message with its pop-up window
// and picture, another transmitter clearing it, the second message cleared by hand under
// the operator's name, and ravlin-cli alarms finding all of it in the alarm log.
//
// RAVLIN_SCREENSHOTS=<folder> also saves pictures of the windows on the way.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "CliRun.h"
#include "GuiSupport.h"
#include "MonitorSupport.h"
#include "RecordingSound.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/Notifications.h"
#include "base/ui/Text.h"
#include "monitoring/MonitorFile.h"
#include "monitoring/ui/MonitorAddForm.h"
#include "monitoring/ui/MonitorController.h"
#include "monitoring/ui/MonitorEditForm.h"
#include "monitoring/ui/MonitorEventEditForm.h"
#include "monitoring/ui/MonitorMessageForm.h"
#include "monitoring/ui/MonitorModels.h"
#include "online/ui/OnlineController.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

struct TMessageInput {
    QString text;
    int color;
    int size;
    bool blink;
    int sound;
    QString picture;  // empty: no window
};

struct TEventInput {
    QString serial;
    QString button;
};

// Answers the save window with `file`; the open window is cancelled.
struct TSaveTo : TFileChooser {
    std::string file;
    std::optional<std::string> OpenFile(const TFileDialog&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const TFileDialog&) override { return file; }
    std::optional<std::string> ChooseReceiverType(const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace

class MonitorFlowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    TSaveTo saveTo;
    std::unique_ptr<TDesktop> desktop;
    TRecordingSound sound;

    QString Home() const { return dir.path() + "/home"; }
    QString SetupPath() const { return dir.path() + "/front desk.mon"; }
    QString PicturePath() const { return dir.path() + "/door.jpg"; }
    TCore& Core() { return desktop->core(); }
    TMonitorController& Monitor() { return desktop->monitor(); }
    TMonitor& Setup() { return Monitor().monitor(); }
    TMainForm& Form() { return desktop->form(); }
    TMessageListModel* List() { return MessageList(Form()); }
    QPushButton* Button(const char* name) { return Form().findChild<QPushButton*>(name); }

    bool Receive(const std::string& line) {
        QSignalSpy polled(&desktop->online(), &TOnlineController::pollFinished);
        if (sim.Control("reception " + line) != "ok") return false;
        return polled.wait(10000) && polled.takeFirst().at(0).toBool();
    }

    // The message editor, filled as a user fills it: Add on the page, then OK.
    bool AddMessage(const TMessageInput& in, bool shot = false) {
        auto done = OnNextModal<TMonitorEditForm>([&](TMonitorEditForm* f) {
            QTest::keyClicks(f->textEdit(), in.text);
            f->colorCombo()->setCurrentIndex(in.color);
            f->sizeCombo()->setCurrentText(QString::number(in.size));
            if (f->blinkCheck()->isChecked() != in.blink) f->blinkCheck()->click();
            f->soundCombo()->setCurrentIndex(in.sound);
            if (!in.picture.isEmpty()) {
                f->windowCheck()->click();
                QTest::keyClicks(f->pictureEdit(), in.picture);
            }
            if (shot) {
                QTest::qWait(200);  // the preview
                Shot(f, "message-editor");
            }
            QTest::keyClick(f->textEdit(), Qt::Key_Return);
        });
        QTest::mouseClick(Button("MonitorAddButton"), Qt::LeftButton);
        return *done;
    }

    // An event by its serial number: Add of the group, "serial number ...", the event
    // editor.
    bool AddEvent(bool active, const TEventInput& in, bool shot = false) {
        QTest::mouseClick(Button(active ? "AddActiveButton" : "AddDeactiveButton"), Qt::LeftButton);
        QMenu* menu = Find<QMenu>(Form(), "AddPopupMenu");
        if (!WaitFor([&] { return menu->isVisible(); })) return false;
        if (shot) Shot(menu, "add-menu");
        auto done = OnNextModal<TMonitorEventEditForm>([&](TMonitorEventEditForm* f) {
            f->codeEdit()->selectAll();
            QTest::keyClicks(f->codeEdit(), in.serial);
            QTest::keyClick(f->codeEdit(), Qt::Key_Tab);  // leaving the field checks it
            f->btnCombo()->setEditText(in.button);
            if (shot) Shot(f, "event-editor");
            f->accept();
        });
        menu->hide();
        menu->findChild<QAction*>("AddPopupSerialNumber")->trigger();
        return *done;
    }

    int RowOfText(const QString& text) {
        for (int r = 0; r < MessagesGrid(Form())->rowCount(); ++r)
            if (MessagesGrid(Form())->index(r, kMsgText).data().toString() == text) return r;
        return -1;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // A picture of the user's own.
        QImage picture(160, 90, QImage::Format_RGB32);
        picture.fill(QColor(30, 90, 200));
        {
            QPainter p(&picture);
            p.fillRect(20, 20, 120, 50, Qt::yellow);
        }
        QVERIFY(picture.save(PicturePath(), "JPEG"));
        QVERIFY(
            sim.Start(TSimProcess::Tcp, {"--type", "KV3S", "--data-dir", RAVLIN_TEST_DATA_DIR}));
        WriteSettings(Home(), sim.Port());
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), Home(), QString()});
        desktop->ui().setResponder(
            [](TQtUserInterface::Kind, const TMessage&, TButtons) { return TAnswer::Yes; });
        Monitor().SetSoundPlayer(&sound);
        Core().receiver.link.SetTimingForTests(300, 5);
        QVERIFY(desktop->Start());
        QVERIFY(desktop->StartComplete());
        Form().resize(900, 640);
        QVERIFY(Setup().Messages.empty());
        QVERIFY(!Setup().Defined);
    }

    void buildTwoMessagesInTheEditors() {
        Form().Action("MenuMonitorView")->trigger();
        QCOMPARE(Form().PageShown(), TPage::Monitoring);
        QVERIFY(AddMessage({"Door open", 1, 14, true, 1, PicturePath()}, true));
        QVERIFY(AddMessage({"Panic", 4, 12, false, 2, QString()}));
        QCOMPARE(Setup().Messages.size(), size_t(2));
        QVERIFY(!Setup().Saved);

        Find<QTableView>(Form(), "MonitorGrid")->selectRow(RowOfText("Door open"));
        QVERIFY(AddEvent(true, {"12345", "1"}, true));
        QVERIFY(AddEvent(false, {"22222", "2"}));
        Find<QTableView>(Form(), "MonitorGrid")->selectRow(RowOfText("Panic"));
        QVERIFY(AddEvent(true, {"33333", "3"}));
        QCOMPARE(EventGrid(Form(), true)->index(0, kEvSerial).data().toString(),
                 QString("x033333"));

        const TMonitorData& door = Setup().Messages[0];
        QCOMPARE(door.Text, std::string("Door open"));
        QCOMPARE(door.Color, 1);
        QCOMPARE(door.Size, 14);
        QVERIFY(door.Blink && door.ShowWindow && door.Activate);
        QCOMPARE(door.Picture, CorePath(PicturePath()));
        QCOMPARE(door.ActiveEvents.size(), size_t(1));
        QCOMPARE(door.ActiveEvents[0].Serial, std::string("x012345"));
        QCOMPARE(door.ActiveEvents[0].Buttons, std::string("1"));
        QCOMPARE(door.DeactiveEvents.size(), size_t(1));
        QCOMPARE(door.DeactiveEvents[0].Serial, std::string("x022222"));
        Find<QTableView>(Form(), "MonitorGrid")->selectRow(RowOfText("Door open"));
        Shot(&Form(), "monitoring-page");
    }

    void saveToAMonitorFile() {
        saveTo.file = CorePath(SetupPath());
        Monitor().chooser().SetStandIn(&saveTo);
        Form().Action("MenuSaveMonitorAs")->trigger();
        QVERIFY(Setup().Saved);
        QCOMPARE(Setup().FileName, CorePath(SetupPath()));
        // The file reads back into the same set-up.
        TMonitor again(Core().texts(), desktop->ui());
        QVERIFY(again.Load(CorePath(SetupPath())));
        QCOMPARE(again.Messages.size(), size_t(2));
        QCOMPARE(again.Messages[0].Text, std::string("Door open"));
        QCOMPARE(again.Messages[1].ActiveEvents.at(0).Buttons, std::string("3"));
    }

    void aButtonRaisesARedBlinkingMessageWithItsPicture() {
        Form().activateWindow();
        QVERIFY(WaitFor([&] { return QApplication::activeWindow() == &Form(); }));
        QTest::keyClick(&Form(), Qt::Key_F12, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return Monitor().MonitorMode(); }, 10000));

        QVERIFY(Receive("0012345 1 00 0000"));
        QCOMPARE(Setup().ActiveCount(), 1);
        QCOMPARE(List()->MessageAt(0), 0);
        QCOMPARE(List()->index(0, kListText).data().toString(), QString("Door open"));
        // Red, and blinking: the row turns black and back.
        const QModelIndex cell = List()->index(0, kListText);
        auto background = [&] { return cell.data(Qt::BackgroundRole).value<QBrush>().color(); };
        QVERIFY(WaitFor([&] { return background() == QColor(255, 0, 0); }, 2000));
        QVERIFY(WaitFor([&] { return background() == QColor(0, 0, 0); }, 2000));
        QVERIFY(WaitFor([&] { return background() == QColor(255, 0, 0); }, 2000));
        QCOMPARE(sound.Played(), std::vector<int>{1});

        TMonitorMessageForm* popup = Popup(Form(), 1);
        QVERIFY(popup);
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->textLabel()->text(), QString("Door open"));
        // The user's picture, not the built-in one.
        QVERIFY(WaitFor([&] {
            const QPixmap shown = popup->imageLabel()->pixmap();
            return shown.size() == QSize(160, 90);
        }));
        const QImage shown = popup->imageLabel()->pixmap().toImage();
        const QColor middle = shown.pixelColor(80, 45);
        QVERIFY(middle.red() > 200 && middle.green() > 200 && middle.blue() < 80);  // yellow
        Shot(&Form(), "monitor-panel");
        Shot(popup, "monitor-popup");

        // A font chosen in the application set-up takes effect at once.
        Core().settings.MonitorFont = "DejaVu Serif";
        emit desktop->notifications().settingsChanged();
        QCOMPARE(cell.data(Qt::FontRole).value<QFont>().family(), QString("DejaVu Serif"));
        QVERIFY(WaitFor(
            [&] { return popup->textLabel()->font().family() == QString("DejaVu Serif"); }, 2000));
    }

    void anotherTransmitterClearsIt() {
        QVERIFY(Receive("0022222 2 00 0001"));
        QCOMPARE(Setup().ActiveCount(), 0);
        QVERIFY(!Popup(Form(), 1));
        QCOMPARE(List()->MessageAt(0), -1);
    }

    void theSecondIsClearedByHandUnderTheOperatorsName() {
        QVERIFY(Receive("0033333 3 00 0002"));
        QCOMPARE(Setup().ActiveCount(), 1);
        QCOMPARE(List()->index(0, kListText).data().toString(), QString("Panic"));
        QVERIFY(!Popup(Form(), 2));  // no window for it
        QTest::keyClicks(Find<QLineEdit>(Form(), "OperatorEdit"), "Jo Smith");
        QTableView* grid = Find<QTableView>(Form(), "MessageGrid");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(List()->index(0, kListMark)).center());
        QTest::mouseClick(Find<QPushButton>(Form(), "MessageClearButton"), Qt::LeftButton);
        QCOMPARE(Setup().ActiveCount(), 0);
        QTest::mouseClick(Find<QPushButton>(Form(), "MonitorEndButton"), Qt::LeftButton);
        QVERIFY(!Monitor().MonitorMode());
        QVERIFY(WaitFor([&] { return !Core().state.OnLine; }));
    }

    void theAlarmLogHoldsBothMessages() {
        const TCliResult r =
            TCliRun::Run({"--home", Home().toStdString(), "--data-dir", RAVLIN_TEST_DATA_DIR,
                          "--lang", "US", "alarms", "--csv"});
        QCOMPARE(r.status, 0);
        QStringList lines = QString::fromStdString(r.out).split('\n', Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        lines.removeFirst();  // the titles
        QStringList seen;
        for (const QString& line : lines) {
            const QStringList f = line.trimmed().split(',');
            QVERIFY2(f.size() >= 8, qPrintable(line));
            // Action, cause, number, text, transmitter, button, operator.
            seen << (QStringList{f[1], f[2], f[3], f[4], f[5], f[6], f[7]}).join(' ').trimmed();
        }
        QCOMPARE(seen, (QStringList{"activate transmitter 1 Door open 0012345 1",
                                    "deactivate transmitter 1 Door open 0022222 2",
                                    "activate transmitter 2 Panic 0033333 3",
                                    "deactivate hand 2 Panic   Jo Smith"}));
    }

    void cleanupTestCase() { desktop.reset(); }
};

QTEST_MAIN(MonitorFlowTest)
#include "monitor_flow.moc"
