// The demo's first screen: with the settings the run script writes, the desktop program
// opens the demo data file and downloads the simulated receiver's memory at start, so both
// views are filled without a command.

#include <QProcess>
#include <QtTest>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class DemoStartTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;

    bool RunDemoSettings(const QString& home, int port) {
        QProcess p;
        p.start("bash", {QStringLiteral(RAVLIN_TEST_DATA_DIR "/../scripts/demo-settings.sh"), home,
                         QString::number(port)});
        return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }

  private slots:
    void initTestCase() {
        QVERIFY(sim.Start(TSimProcess::Tcp, {"--load", RAVLIN_TEST_DATA_DIR "/Demo.rvl",
                                             "--data-dir", RAVLIN_TEST_DATA_DIR}));
    }

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

    void cleanupTestCase() { sim.Stop(); }
};

QTEST_MAIN(DemoStartTest)
#include "demo_start.moc"
