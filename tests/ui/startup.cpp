// Start-up and shut-down: a data file on the command line, missing catalogue files, the
// language fallback, settings and column widths saved at exit.

#include <QDirIterator>
#include <QMenuBar>
#include <QtTest>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/Settings.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "document/ui/DocumentController.h"
#include "document/ui/QtFileChooser.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class StartupTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::vector<TMessage> shown;

    std::unique_ptr<TDesktop> Make(const QString& dataDir, const QString& home,
                                   const QString& file = {}) {
        auto d = std::make_unique<TDesktop>(TStartOptions{dataDir, home, file});
        d->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::No;
        });
        return d;
    }

    // A copy of the delivered data folder without `missing`.
    QString DataCopy(const QString& name, const QString& missing) {
        const QString to = dir.path() + "/" + name;
        QDir().mkpath(to);
        for (const QString& f : QDir(DataDir()).entryList(QDir::Files))
            if (f != missing) QFile::copy(DataDir() + "/" + f, to + "/" + f);
        return to;
    }

    // A data file written by the program itself (New, Save as).
    QString MakeDataFile() {
        const QString home = dir.path() + "/maker";
        WriteSettings(home, 1);
        auto d = Make(DataDir(), home);
        d->documents().chooser().typeResponder = [](const std::string&) {
            return std::optional<std::string>("KV4R");
        };
        const QString file = dir.path() + "/start.rvl";
        d->documents().chooser().fileResponder = [file](bool, const TFileDialog&) {
            return std::optional<std::string>(file.toStdString());
        };
        if (!d->Start() || !d->documents().MenuNewClick() || !d->documents().MenuSaveAsClick())
            return {};
        d->form().close();
        return file;
    }

  private slots:
    void commandLineFileOpensSavedWithoutStartOptions() {
        const QString file = MakeDataFile();
        QVERIFY(QFile::exists(file));
        const QString home = dir.path() + "/home1";
        // Download and welcome are on, but a file on the command line skips them.
        WriteSettings(home, 1, "Download=1\r\n");
        shown.clear();
        auto d = Make(DataDir(), home, file);
        QVERIFY(d->Start());
        QTest::qWait(50);        // the first activation has run
        QVERIFY(shown.empty());  // no download was tried (it could not connect)
        const TCore& c = d->core();
        QVERIFY(c.state.DocumentOpen);
        QVERIFY(c.state.Saved);
        QCOMPARE(c.state.FileName, file.toStdString());
        QCOMPARE(c.device.Name, std::string("KV4R"));
        QVERIFY(!c.state.LoggedIn);
        TMainForm& f = d->form();
        TViewsController& v = d->views();
        QVERIFY(WaitFor([&] { return f.Panel(4) == file; }));
        QCOMPARE(f.Panel(3), QString::fromStdString(TextAt(c.texts(), Text::Saved)));
        QVERIFY(!v.memoryGrid()->isVisible());

        // At exit the settings and the File view's widths are written.
        v.fileGrid()->setColumnWidth(0, 77);
        f.resize(820, 610);
        QVERIFY(f.close());
        d.reset();
        TIniFile ini((home + "/RavlinProj.ini").toStdString());
        QCOMPARE(ini.ReadInteger("UserGrid_Single", "Col1", 0), 77);
        QCOMPARE(ini.ReadInteger("Window", "Width", 0), 820);
        QCOMPARE(ini.ReadString("Setup", "LastFile", ""), file.toStdString());
        QCOMPARE(ini.ReadInteger("Setup", "IPPort", 0), 1);
    }

    void downloadOptionDownloadsAtTheFirstActivation() {
        TSimProcess sim;
        QVERIFY(sim.Start(TSimProcess::Tcp, {"--load", RAVLIN_TEST_DATA_DIR "/Demo.rvl",
                                             "--data-dir", RAVLIN_TEST_DATA_DIR}));
        const QString home = dir.path() + "/homeDownload";
        WriteSettings(home, sim.Port(), "Download=1\r\n");
        shown.clear();
        auto d = Make(DataDir(), home);
        QVERIFY(d->Start());
        QVERIFY(WaitFor([&] { return d->core().state.Downloaded; }, 20000));
        QVERIFY(d->core().state.LoggedIn);
        QVERIFY(shown.empty());
        QVERIFY(d->views().memoryModel()->rowCount() > 0);
        QCOMPARE(d->form().pages()->currentIndex(), int(TPage::Memory));
        d->core().state.Saved = true;  // nothing to ask at exit
        d->form().close();
        d.reset();
        sim.Stop();
    }

    void commandLineOptions() {
        TStartOptions o;
        QString error;
        QVERIFY(ParseStartOptions({"ravlin", "--home", "/h", "--data-dir=/d", "a.rvl", "b.rvl"}, o,
                                  error));
        QCOMPARE(o.home, QString("/h"));
        QCOMPARE(o.dataDir, QString("/d"));
        QCOMPARE(o.dataFile, QString("a.rvl"));  // the first argument only
        TStartOptions bad;
        QVERIFY(!ParseStartOptions({"ravlin", "--colour"}, bad, error));
        QVERIFY(error.contains("--colour"));
        QVERIFY(!ParseStartOptions({"ravlin", "--home"}, bad, error));
    }

    void argumentThatIsNoFileIsIgnored() {
        const QString home = dir.path() + "/home2";
        WriteSettings(home, 1);
        auto d = Make(DataDir(), home, dir.path() + "/missing.rvl");
        QVERIFY(d->Start());
        QVERIFY(!d->core().state.DocumentOpen);
        QVERIFY(d->core().state.FileName.empty());
        d->form().close();
    }

    void missingTransmitterCatalogueEndsWithoutSaving() {
        const QString data = DataCopy("noTx", "Tx.def");
        const QString home = dir.path() + "/home3";
        QDir().mkpath(home);
        shown.clear();
        auto d = Make(data, home);
        QVERIFY(!d->Start());
        QVERIFY(!d->StartComplete());
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::CannotOpen);
        QVERIFY(QString::fromStdString(shown[0].text).endsWith(" - Tx.def"));
        QTest::qWait(20);
        QVERIFY(!d->form().isVisible());
        d.reset();
        QVERIFY(!QFile::exists(home + "/RavlinProj.ini"));
    }

    void missingLanguageFallsBackToUs() {
        const QString data = DataCopy("noDE", "DE.lng");
        const QString home = dir.path() + "/home4";
        WriteSettings(home, 1);
        QFile ini(home + "/RavlinProj.ini");
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("Language=DE\r\n");
        ini.close();
        shown.clear();
        auto d = Make(data, home);
        QVERIFY(d->Start());
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].text, std::string("DE languge file can not be open!"));
        QCOMPARE(d->core().language.Code(), std::string("US"));
        // The window carries the US texts.
        const QString file = QString::fromStdString(TextAt(d->core().texts(), Text::FileMenu));
        QCOMPARE(d->form().menuBar()->actions().first()->text(), file);
        QCOMPARE(d->form().pages()->tabText(0),
                 QString::fromStdString(TextAt(d->core().texts(), Text::MemoryView)));
        d->form().close();
    }
};

QTEST_MAIN(StartupTest)
#include "startup.moc"
