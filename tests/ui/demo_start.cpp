// The demo: with the settings the run script writes, the desktop program opens the demo
// data file and monitor set-up and downloads the simulated receiver's memory at start, so
// both views are filled without a command; the demo's simulator reports receptions by
// itself, which on-line mode shows and monitor mode turns into the set-up's alarms.
//
// RAVLIN_SCREENSHOTS=<folder> also saves pictures of on-line and monitor mode there.

#include <QProcess>
#include <QtTest>

#include "GuiSupport.h"
#include "MonitorSupport.h"
#include "RecordingSound.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "monitoring/ui/MonitorController.h"
#include "monitoring/ui/MonitorMessageForm.h"
#include "online/ui/LogPages.h"
#include "online/ui/OnlineController.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class DemoStartTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    QStringList unexpected;  // messages of the demo runs other than the closing question

    bool RunDemoSettings(const QString& home, int port) {
        QProcess p;
        p.start("bash", {QStringLiteral(RAVLIN_TEST_DATA_DIR "/../scripts/demo-settings.sh"), home,
                         QString::number(port)});
        return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }

    // The simulator as the demo starts it (scripts/demo.sh), a little faster.
    static bool StartDemoSim(TSimProcess& s) {
        return s.Start(TSimProcess::Tcp, {"--load", RAVLIN_TEST_DATA_DIR "/Demo.rvl", "--data-dir",
                                          RAVLIN_TEST_DATA_DIR, "--demo-receptions", "1"});
    }

    // The desktop program on a fresh demo home folder against its own demo simulator, its
    // sounds recorded; true once the start-up download is in.
    bool StartDemo(const QString& name, TSimProcess& s, std::unique_ptr<TDesktop>& d,
                   TRecordingSound& sound) {
        const QString home = dir.path() + "/" + name;
        if (!StartDemoSim(s) || !RunDemoSettings(home, s.Port())) return false;
        d = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, {}});
        // Closing asks to save the downloaded memory: no. Nothing else may be asked or
        // reported.
        d->ui().setResponder([this](TQtUserInterface::Kind kind, const TMessage& m, TButtons) {
            if (kind != TQtUserInterface::Kind::Question || m.textId != Text::SaveChanges)
                unexpected << QString::fromStdString(m.text);
            return TAnswer::No;
        });
        d->online().SetSoundPlayer(&sound);
        d->monitor().SetSoundPlayer(&sound);
        d->form().resize(900, 640);
        return d->Start() && WaitFor([&] { return d->core().state.Downloaded; }, 30000);
    }

  private slots:
    void initTestCase() { QVERIFY(StartDemoSim(sim)); }

    void bothViewsAreFilledAtStart() {
        const QString home = dir.path() + "/demo-home";
        QVERIFY(RunDemoSettings(home, sim.Port()));
        std::vector<TMessage> shown;
        TDesktop d(TStartOptions{DataDir(), home, {}});
        d.ui().setResponder([&](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::No;
        });
        QVERIFY(d.Start());
        QVERIFY(WaitFor([&] { return d.core().state.Downloaded; }, 30000));
        QVERIFY(WaitFor([&] {
            return d.views().memoryModel()->rowCount() > 0 && d.views().fileModel()->rowCount() > 0;
        }));
        const TCore& c = d.core();
        QVERIFY(c.state.LoggedIn);
        QVERIFY(c.state.DocumentOpen);
        // The home folder's copy, not the delivered file: saving leaves data/ alone.
        QCOMPARE(QString::fromStdString(c.state.FileName), home + "/Demo.rvl");
        QVERIFY2(shown.empty(), shown.empty() ? "" : shown.front().text.c_str());
        d.form().close();
    }

    void aSecondRunKeepsTheUsersOtherSettings() {
        const QString home = dir.path() + "/again";
        WriteSettings(home, 1, "Backup=0\r\nLanguage=DE\r\n");
        QVERIFY(RunDemoSettings(home, sim.Port()));
        QVERIFY(RunDemoSettings(home, sim.Port()));
        QFile f(home + "/RavlinProj.ini");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray ini = f.readAll();
        QVERIFY(ini.contains("Backup=0\r\n"));
        QVERIFY(ini.contains("Language=DE\r\n"));
        QCOMPARE(ini.count("IPPort="), 1);
        QVERIFY(ini.contains(QStringLiteral("IPPort=%1\r\n").arg(sim.Port()).toLatin1()));
        QCOMPARE(ini.count("Download=1\r\n"), 1);
    }

    // F12: the receptions the demo's simulator reports show in the on-line panel and
    // the History view, with the demo file's users.
    void onlineModeShowsTheDemoReceptions() {
        TSimProcess demoSim;
        std::unique_ptr<TDesktop> d;
        TRecordingSound sound;
        QVERIFY(StartDemo("online-home", demoSim, d, sound));
        d->form().Action("MenuOnline")->trigger();
        QVERIFY(WaitFor([&] { return d->online().Online(); }));
        QVERIFY(WaitFor([&] { return d->online().historyModel()->rowCount() >= 3; }, 30000));
        const TOnlinePanel& panel = d->online().panelFields();
        QCOMPARE(panel.lastTx.size(), size_t(7));
        QVERIFY(panel.lastMem != "-" || panel.addEnabled);  // learnt, or offered for Add
        Shot(&d->form(), "demo-online");
        d->online().ShowHistoryPage();
        QCOMPARE(d->form().PageShown(), TPage::History);
        bool userShown = false;  // the demo file's users beside their receptions
        for (int r = 0; r < d->online().historyModel()->rowCount(); ++r)
            for (int c = 0; c < d->online().historyModel()->columnCount(); ++c)
                userShown = userShown || d->online().historyModel()->index(r, c).data() ==
                                             QStringLiteral("Eva Svobodová");
        QVERIFY(userShown);
        Shot(&d->form(), "demo-history");
        QVERIFY(d->online().LeaveOnline());
        d->form().close();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('\n')));
    }

    // Communication > Monitor with the demo set-up opened at start: a message activated
    // within a few receptions, and the caretaker's panic with its sound and the demo's
    // picture in its pop-up window.
    void monitorModeRaisesTheDemoAlarms() {
        TSimProcess demoSim;
        std::unique_ptr<TDesktop> d;
        TRecordingSound sound;
        QVERIFY(StartDemo("monitor-home", demoSim, d, sound));
        TMonitorController& m = d->monitor();
        QCOMPARE(m.monitor().Messages.size(), size_t(3));
        d->form().Action("MenuMonitorMode")->trigger();
        QVERIFY(WaitFor([&] { return m.MonitorMode(); }));
        QVERIFY(WaitFor([&] { return m.monitor().ActiveCount() > 0; }, 30000));
        const TMonitorData& panic = m.monitor().Messages[1];
        QCOMPARE(panic.Text, std::string("Panic"));
        QVERIFY(WaitFor(
            [&] {
                TMonitorMessageForm* popup = Popup(d->form(), panic.Number);
                return panic.IsActive() && popup &&
                       popup->Picture() == TMonitorMessageForm::TPicture::Own;
            },
            60000));
        const std::vector<int> played = sound.Played();
        QVERIFY(std::count(played.begin(), played.end(), 4) > 0);  // the alarm sound
        Shot(&d->form(), "demo-monitor");
        Shot(Popup(d->form(), panic.Number), "demo-panic");
        QTest::mouseClick(Find<QPushButton>(d->form(), "MonitorEndButton"), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return !m.MonitorMode(); }));
        d->form().close();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('\n')));
    }

    void cleanupTestCase() { sim.Stop(); }
};

QTEST_MAIN(DemoStartTest)
#include "demo_start.moc"
