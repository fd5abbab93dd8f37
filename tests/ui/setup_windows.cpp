// The set-up windows driven as a user drives them, against the simulated receiver: the
// application set-up (applied, saved, the language switched in every open window;
// Cancel changes nothing), the communication set-up (port list with a held port, every
// speed, checks, the new connection used by the next login), the welcome and about
// windows, recent files and a dropped data file. With RAVLIN_SHOTS_DIR set, every window
// is also saved there as a picture.

#include <pty.h>
#include <unistd.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/AboutForm.h"
#include "app/ui/AppSetupForm.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "app/ui/SetupController.h"
#include "app/ui/WelcomeForm.h"
#include "base/ui/Notifications.h"
#include "base/ui/Text.h"
#include "document/ui/DocumentController.h"
#include "link/Serial.h"
#include "link/ui/CommSetupForm.h"
#include "receiver/ui/ReceiverController.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class SetupWindowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    QString home;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;

    static void Shot(QWidget* w, const QString& name) {
        const QString to = qEnvironmentVariable("RAVLIN_SHOTS_DIR");
        if (to.isEmpty()) return;
        QDir().mkpath(to);
        QTest::qWait(30);  // the layout follows shown and hidden fields
        QVERIFY(w->grab().save(to + "/" + name + ".png"));
    }

    QByteArray Ini() const {
        QFile f(home + "/RavlinProj.ini");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QStringList FileViewTitles() const {
        QStringList out;
        TGridModel* m = desktop->views().fileModel();
        for (int c = 0; c < m->columnCount(); ++c)
            out << m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        return out;
    }

    QString TextOf(Text id) const { return Q(TextAt(desktop->core().texts(), id)); }

    static QPushButton* OkButton(QDialog* d) {
        return d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    }

  private slots:
    void initTestCase() {
        QVERIFY(sim.Start(TSimProcess::Tcp, {"--load", RAVLIN_TEST_DATA_DIR "/Demo.rvl",
                                             "--data-dir", RAVLIN_TEST_DATA_DIR}));
        home = dir.path() + "/home";
        // The connection points at a port nobody listens on: the set-up fixes it.
        WriteSettings(home, 1, "Language=US\r\n");
        QVERIFY(QFile::copy(DataDir() + "/Demo.rvl", dir.path() + "/demo.rvl"));
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, {}});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::No;
        });
        QVERIFY(desktop->Start());
        QVERIFY(desktop->documents().OpenNamedFile((dir.path() + "/demo.rvl").toStdString()));
        QVERIFY(desktop->views().fileModel()->rowCount() > 0);
    }

    void init() { shown.clear(); }

    void communicationSetupFixesTheConnectionForTheNextLogin() {
        // A pseudo-terminal held by an open port, under a port number of its own.
        int master = -1, slave = -1;
        char pty[256] = {};
        QVERIFY(::openpty(&master, &slave, pty, nullptr, nullptr) == 0);
        SetSerialPortOverrides({{29, pty}});
        auto held = std::make_unique<TSerial>(29, 9600);

        QStringList speeds;
        bool refused = false;
        QString device;
        auto done = OnNextModal<TCommSetupForm>([&](TCommSetupForm* f) {
            for (int i = 0; i < f->speedCombo()->count(); ++i)
                speeds << f->speedCombo()->itemText(i);
            f->comRadio()->setChecked(true);
            f->portCombo()->setCurrentIndex(f->portCombo()->findText("COM 29"));
            device = f->deviceLabel()->text();
            Shot(f, "comm-setup-com");
            f->tcpRadio()->setChecked(true);
            f->addressEdit()->setText("127.0.0");
            QTest::mouseClick(OkButton(f), Qt::LeftButton);
            refused = f->isVisible() && shown.size() == 1 && shown[0].textId == Text::BadIpAddress;
            f->addressEdit()->setText("127.0.0.1");
            f->ipPortEdit()->setText(QString::number(sim.Port()));
            Shot(f, "comm-setup-tcp");
            QTest::mouseClick(OkButton(f), Qt::LeftButton);
        });
        desktop->receiver().MenuCommSetupClick();
        QVERIFY(*done);
        held.reset();
        SetSerialPortOverrides({});
        ::close(slave);
        ::close(master);

        QCOMPARE(speeds, (QStringList{"2400", "4800", "9600", "19200", "28800", "38400", "57600"}));
        QVERIFY2(device.contains(pty) && device.contains("pseudo-terminal"), qPrintable(device));
        QVERIFY2(device.contains(QString::number(::getpid())), qPrintable(device));  // its holder
        QVERIFY(refused);
        const TConnectionSettings& s = desktop->core().receiver.link.Settings;
        QCOMPARE(s.ConnectionType, int(TConnectionSettings::Tcp));
        QCOMPARE(s.IPPort, std::to_string(sim.Port()));
        // The next login reaches the simulator through the new settings.
        desktop->form().Action("MenuLogin")->trigger();
        QVERIFY(WaitFor([&] { return desktop->core().state.LoggedIn; }, 15000));
    }

    void applicationSetupIsAppliedAndSaved() {
        TCore& c = desktop->core();
        QSignalSpy settingsSpy(&desktop->notifications(), &TNotifications::settingsChanged);
        const QString usOpen = desktop->form().Action("MenuOpen")->text();
        const QString user1 = TextOf(Text::User1Title);
        QVERIFY(FileViewTitles().contains(user1));
        bool sortFollowed = false, welcomeUnchecked = false;
        auto done = OnNextModal<TAppSetupForm>([&](TAppSetupForm* f) {
            const char* names[] = {"app-setup-basic", "app-setup-startup", "app-setup-online",
                                   "app-setup-broker"};
            for (int i = 0; i < f->pages()->count(); ++i) {
                f->pages()->setCurrentIndex(i);
                Shot(f, names[i]);
            }
            f->pages()->setCurrentIndex(0);
            f->languageCombo()->setCurrentIndex(f->languageCombo()->findText("DE"));
            f->backupBox()->setChecked(false);
            f->soundButton(TSoundOutput::Off)->setChecked(true);
            f->titleEdit(1)->setText("Room");
            emit f->titleEdit(1)->editingFinished();
            sortFollowed =
                f->sortCombo()->findText("Room") >= 0 && f->sortCombo()->findText(user1) < 0;
            f->visibleBox(3)->setChecked(false);
            f->welcomeBox()->setChecked(true);
            f->downloadBox()->setChecked(true);
            welcomeUnchecked = !f->welcomeBox()->isChecked();
            f->historyEdit()->setValue(5);
            f->historyLevel(2)->setChecked(true);
            f->batteryLevel(0)->setChecked(true);
            QTest::mouseClick(OkButton(f), Qt::LeftButton);
        });
        QVERIFY(desktop->setup().MenuAppSetupClick());
        QVERIFY(*done);
        QVERIFY(sortFollowed);
        QVERIFY(welcomeUnchecked);

        // Applied: the language with every window's texts, titles and columns.
        QCOMPARE(c.language.Code(), std::string("DE"));
        QCOMPARE(desktop->form().Action("MenuOpen")->text(), TextOf(Text::MenuOpen));
        QVERIFY(desktop->form().Action("MenuOpen")->text() != usOpen);
        QCOMPARE(settingsSpy.count(), 1);
        const QStringList titles = FileViewTitles();
        QVERIFY2(titles.contains("Room"), qPrintable(titles.join('|')));
        QVERIFY2(!titles.contains(TextOf(Text::User3Title)), qPrintable(titles.join('|')));
        QVERIFY(!c.settings.Backup);
        QCOMPARE(c.settings.HistoryLength, 5);
        QCOMPARE(c.settings.HistoryMonitorLevel, 2);
        QCOMPARE(c.settings.BatteryMonitorLevel, 0);
        // Saved at once.
        const QByteArray ini = Ini();
        for (const char* line :
             {"Language=DE\r\n", "Backup=0\r\n", "User1=Room\r\n", "HistoryLength=5\r\n",
              "HistoryMonitorLevel=2\r\n", "BatteryMonitorLevel=0\r\n", "Download=1\r\n",
              "Welcome=0\r\n", "SoundCard=0\r\n", "SoundSpeaker=0\r\n"})
            QVERIFY2(ini.contains(line), line);
        QVERIFY(shown.empty());
    }

    void cancelChangesNothingAndWritesNothing() {
        const QByteArray before = Ini();
        const TSettings settings = desktop->core().settings;
        auto done = OnNextModal<TAppSetupForm>([&](TAppSetupForm* f) {
            f->languageCombo()->setCurrentIndex(f->languageCombo()->findText("US"));
            f->backupBox()->setChecked(true);
            f->titleEdit(2)->setText("Changed");
            f->historyClearBox()->setChecked(true);
            f->reject();
        });
        QVERIFY(!desktop->setup().MenuAppSetupClick());
        QVERIFY(*done);
        QCOMPARE(Ini(), before);
        QCOMPARE(desktop->core().language.Code(), std::string("DE"));
        QCOMPARE(desktop->core().settings.UserTitles, settings.UserTitles);
        QCOMPARE(desktop->core().settings.Backup, settings.Backup);
    }

    void brokerPageIsCheckedBeforeItIsSaved_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("refusal");  // empty: saved
        QTest::newRow("not mqtt") << "http://broker.example:1883"
                                  << "plant"
                                  << "must begin with mqtt:// or mqtts://";
        QTest::newRow("site with a slash") << "mqtt://127.0.0.1:1"
                                           << "plant/a"
                                           << "site name";
        QTest::newRow("good") << "mqtt://127.0.0.1:9"
                              << "plant"
                              << "";
    }

    void brokerPageIsCheckedBeforeItIsSaved() {
        QFETCH(QString, url);
        QFETCH(QString, site);
        QFETCH(QString, refusal);
        const QByteArray before = Ini();
        bool stayedOpen = false;
        auto done = OnNextModal<TAppSetupForm>([&](TAppSetupForm* f) {
            f->pages()->setCurrentIndex(3);
            f->brokerBox()->setChecked(true);
            f->brokerUrlEdit()->setText(url);
            f->brokerSiteEdit()->setText(site);
            f->brokerReceiverEdit()->setText("front");
            if (refusal.isEmpty()) Shot(f, "broker_settings");
            QTest::mouseClick(OkButton(f), Qt::LeftButton);
            stayedOpen = f->isVisible();
            if (stayedOpen) f->reject();
        });
        const bool saved = desktop->setup().MenuAppSetupClick();
        QVERIFY(*done);
        const TSettings& s = desktop->core().settings;
        if (!refusal.isEmpty()) {
            QVERIFY(!saved);
            QVERIFY(stayedOpen);
            QCOMPARE(shown.size(), size_t(1));
            QVERIFY2(QString::fromStdString(shown[0].text).contains(refusal),
                     shown[0].text.c_str());
            QCOMPARE(Ini(), before);
            QVERIFY(s.BrokerUrl != url.toStdString());
            return;
        }
        QVERIFY(saved);
        QVERIFY(shown.empty());
        QVERIFY(s.BrokerOn);
        QCOMPARE(s.BrokerUrl, url.toStdString());
        QCOMPARE(s.BrokerReceiver, std::string("front"));
        const QByteArray ini = Ini();
        QVERIFY(ini.contains("[Broker]\r\nOn=1\r\n"));
        QVERIFY(ini.contains("Url=" + url.toLatin1() + "\r\n"));
        // The bridge of the new settings runs: its state is in the status bar.
        QVERIFY(WaitFor([&] {
            auto* panel = desktop->form().findChild<QLabel*>("BrokerPanel");
            return panel && panel->isVisible() && panel->text().startsWith("Broker: ");
        }));
    }

    void languageSwitchRedrawsTheOpenWelcomeWindow() {
        TSetupController& s = desktop->setup();
        s.ShowWelcome();
        TWelcomeForm& w = s.welcomeForm();
        QVERIFY(WaitFor([&] { return w.isVisible(); }));
        QCOMPARE(w.windowTitle(), TextOf(Text::WelcomeCaption));
        QVERIFY(w.openLastButton()->isEnabled());  // the demo file is the last one
        QCOMPARE(w.recentLabel()->text(), QString("demo.rvl"));
        QCOMPARE(w.connectionLabel()->text(),
                 QString::fromStdString(desktop->core().receiver.link.ConnectionText()));
        Shot(&w, "welcome-de");
        auto done = OnNextModal<TAppSetupForm>([&](TAppSetupForm* f) {
            f->languageCombo()->setCurrentIndex(f->languageCombo()->findText("US"));
            f->accept();
        });
        QVERIFY(s.MenuAppSetupClick());
        QVERIFY(*done);
        QCOMPARE(desktop->core().language.Code(), std::string("US"));
        // The window that stayed open took the new texts at once.
        QCOMPARE(w.windowTitle(), TextOf(Text::WelcomeCaption));
        QVERIFY(w.findChildren<QLabel*>().size() > 0);
        bool headingUs = false;
        for (QLabel* l : w.findChildren<QLabel*>())
            headingUs = headingUs || l->text() == TextOf(Text::SelectFirstOperation);
        QVERIFY(headingUs);
        // What to try first, in the new language too.
        QCOMPARE(w.hintsLabel()->text().split('\n'),
                 QStringList({TextOf(Text::HintOnline), TextOf(Text::HintMonitor),
                              TextOf(Text::HintHistory)}));
        Shot(&w, "welcome");
        // "Don't show next time" switches the welcome window off for the next start.
        desktop->core().settings.Welcome = true;
        w.showBox()->setChecked(true);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(WaitFor([&] { return !w.isVisible(); }));
        QVERIFY(!desktop->core().settings.Welcome);
    }

    void aboutShowsTheBuildsVersionTheReceiversAndTheLicence() {
        int receivers = 0;
        QString version, licence;
        auto done = OnNextModal<TAboutForm>([&](TAboutForm* f) {
            version = f->versionLabel()->text();
            receivers = f->receiverList()->count();
            licence = f->licenceText()->toPlainText();
            Shot(f, "about");
            QTest::keyClick(f, Qt::Key_Escape);
        });
        desktop->setup().MenuAboutClick();
        QVERIFY(*done);
        QVERIFY2(version.contains(RAVLIN_VERSION), qPrintable(version));
        // Major, minor, release and build.
        QVERIFY2(
            QRegularExpression("(^|[^\\d.])\\d+\\.\\d+\\.\\d+\\.\\d+$").match(version).hasMatch(),
            qPrintable(version));
        QCOMPARE(ProgramVersion(), QString(RAVLIN_VERSION));
        QVERIFY(receivers > 1);
        QVERIFY(licence.contains("Permission is hereby granted"));
    }

    void droppedDataFileOpensAndJoinsTheRecentFiles() {
        const QString other = dir.path() + "/dropped.rvl";
        QVERIFY(QFile::copy(DataDir() + "/Demo.rvl", other));
        QVERIFY(QFile::copy(DataDir() + "/Demo.rvl", dir.path() + "/notes.txt"));
        QCOMPARE(DroppedDataFile({QUrl::fromLocalFile(dir.path() + "/notes.txt"),
                                  QUrl("https://example.org/x.rvl"), QUrl::fromLocalFile(other)}),
                 other);
        QCOMPARE(DroppedDataFile({QUrl::fromLocalFile(dir.path() + "/gone.rvl")}), QString());

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(other)});
        QWidget* window = &desktop->form();
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
        QVERIFY(WaitFor([&] { return desktop->core().state.FileName == other.toStdString(); }));

        const std::vector<std::string> recent = desktop->setup().RecentFiles();
        QVERIFY(recent.size() >= 2);
        QCOMPARE(QString::fromStdString(recent[0]), other);
        QCOMPARE(QString::fromStdString(recent[1]), dir.path() + "/demo.rvl");
        QMenu* menu = desktop->setup().recentMenu();
        QVERIFY(menu->actions().size() >= 2);
        QCOMPARE(menu->actions()[0]->text(), QString("&1 dropped.rvl"));
        QVERIFY(Ini().contains(("File1=" + other + "\r\n").toLocal8Bit()));

        // A recent file that is gone: the message, and it leaves the list.
        QVERIFY(QFile::remove(dir.path() + "/demo.rvl"));
        menu->actions()[1]->trigger();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::CannotOpen);
        QCOMPARE(desktop->setup().RecentFiles().size(), recent.size() - 1);
        QCOMPARE(QString::fromStdString(desktop->setup().RecentFiles()[0]), other);
        QCOMPARE(menu->actions().size(), int(recent.size()) - 1);
        QVERIFY(!QString::fromLocal8Bit(Ini()).contains(
            QRegularExpression("File[0-9]=[^\r]*demo\\.rvl")));
    }

    void theProgramsCommandLine() {
        TStartOptions o;
        QString error;
        QVERIFY(ParseStartOptions({"ravlin", "--", "-odd.rvl"}, o, error));
        QCOMPARE(o.dataFile, QString("-odd.rvl"));
        TStartOptions v;
        QVERIFY(ParseStartOptions({"ravlin", "--version", "--home", "/h"}, v, error));
        QVERIFY(v.version);
        QCOMPARE(v.home, QString("/h"));
        TStartOptions h;
        QVERIFY(ParseStartOptions({"ravlin", "-h"}, h, error));
        QVERIFY(h.help);
        QVERIFY(!ParseStartOptions({"ravlin", "-x"}, h, error));
        QVERIFY(error.contains("-x"));

        // The program itself answers --version and --help without a window.
        QProcess p;
        p.start(RAVLIN_BIN_DIR "/ravlin", {"--version"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString(p.readAllStandardOutput()).trimmed(), "ravlin " RAVLIN_VERSION);
        p.start(RAVLIN_BIN_DIR "/ravlin", {"--help"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        const QString help = p.readAllStandardOutput();
        for (const char* option : {"--data-dir", "--home", "--version", "--"})
            QVERIFY2(help.contains(option), option);
        p.start(RAVLIN_BIN_DIR "/ravlin", {"--bogus"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString(p.readAllStandardError()).contains("--bogus"));
    }

    void cleanupTestCase() {
        desktop->form().close();
        desktop.reset();
        sim.Stop();
        // The connection set up in the window is the one kept for the next start.
        QVERIFY(Ini().contains(QStringLiteral("IPPort=%1\r\n").arg(sim.Port()).toLatin1()));
        QVERIFY(Ini().contains("ConnectionType=1\r\n"));
    }
};

QTEST_MAIN(SetupWindowsTest)
#include "setup_windows.moc"
