// The desktop program and other programs on one home folder, as a site runs them: while
// the window is open, an installer's ravlin-cli changes the connection and a title, a
// hand adds a section to the settings file, a logger adds receptions to the logs; then the
// window closes its document, opens it again from the recent files and exits. Nothing the
// others wrote is lost: the window changes only what it changed itself.

#include <QtTest>

#include "CliRun.h"
#include "GuiSupport.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "app/ui/SetupController.h"
#include "base/IniFile.h"
#include "document/ui/DocumentController.h"
#include "online/Battery.h"
#include "online/History.h"
#include "online/ui/LogPages.h"
#include "online/ui/OnlineController.h"

using namespace ravlin;
using namespace ravlin::test;

class SharedFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString home;
    std::vector<TMessage> shown;

    std::string Home(const char* name) const { return (home + "/" + name).toStdString(); }
    static int Lines(const std::string& path) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? static_cast<int>(f.readAll().count('\n')) : -1;
    }
    TCliResult Cli(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--home", home.toStdString(), "--data-dir", RAVLIN_TEST_DATA_DIR,
                                   "--lang", "US"});
        return TCliRun::Run(args);
    }

  private slots:
    void anotherProgramsChangesSurviveTheWindow() {
        home = dir.path() + "/home";
        WriteSettings(home, 1, "Language=US\r\nUser1=Old\r\n[Ports]\r\nCOM7=/dev/ttyUSB3\r\n");
        QFile::copy(DataDir() + "/Demo.rvl", dir.path() + "/demo.rvl");
        const std::string demo = (dir.path() + "/demo.rvl").toStdString();
        {
            QFile h(QString::fromStdString(Home("History.dat")));
            QVERIFY(h.open(QIODevice::WriteOnly));
            h.write(
                "0012345#1#01.01.2024 10:00:00#0#0#####\r\n0022222#2#01.01.2024 "
                "09:00:00#0#0#####\r\n");
        }
        auto desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, {}});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::No;
        });
        QVERIFY(desktop->Start());
        QVERIFY(desktop->documents().OpenNamedFile(demo));

        // The others, while the window is open.
        TCliResult r =
            Cli({"connection", "--type", "tcp", "--address", "203.0.113.9", "--ip-port", "7777"});
        QVERIFY2(r.status == 0, r.err.c_str());
        r = Cli({"setup", "--title1", "Changed"});
        QVERIFY2(r.status == 0, r.err.c_str());
        {
            QFile ini(home + "/RavlinProj.ini");
            QVERIFY(ini.open(QIODevice::Append));
            ini.write("[ByHand]\r\nNote=kept\r\n");
        }
        {
            // A logger's three receptions, through the calls `listen --log` makes.
            const TTextTable texts = desktop->core().texts();
            TSilentUi quiet;
            THistory history(Home("History.dat"), texts, quiet);
            TBatteryLog battery(Home("LowBatt.dat"), texts, quiet);
            history.Load();
            battery.Load();
            for (const char* serial : {"0031111", "0032222", "0033333"}) {
                QVERIFY(history.Add(serial, "1", true, {}));
                battery.Update(serial, true, {});
            }
        }

        // The window: File > Close, Recent files > demo.rvl (its user information goes to
        // the logs), then File > Exit.
        QVERIFY(desktop->documents().MenuCloseClick());
        QVERIFY(desktop->setup().OpenRecentFile(demo));
        QCOMPARE(Lines(Home("History.dat")), 5);
        QCOMPARE(Lines(Home("LowBatt.dat")), 3);
        QCOMPARE(desktop->online().historyModel()->rowCount(), 5);
        desktop->form().close();
        desktop.reset();
        QVERIFY(shown.empty());

        TIniFile ini(Home("RavlinProj.ini"));
        QCOMPARE(ini.ReadInteger("Setup", "ConnectionType", -1), 1);
        QCOMPARE(ini.ReadString("Setup", "IPAddress", ""), std::string("203.0.113.9"));
        QCOMPARE(ini.ReadString("Setup", "IPPort", ""), std::string("7777"));
        QCOMPARE(ini.ReadString("Setup", "User1", ""), std::string("Changed"));
        QCOMPARE(ini.ReadString("Ports", "COM7", ""), std::string("/dev/ttyUSB3"));
        QCOMPARE(ini.ReadString("ByHand", "Note", ""), std::string("kept"));
        // And what the window did change is there too: its recent file.
        QCOMPARE(ini.ReadString("RecentFiles", "File1", ""), demo);
        QCOMPARE(Lines(Home("History.dat")), 5);
    }
};

QTEST_MAIN(SharedFilesTest)
#include "shared_files.moc"
