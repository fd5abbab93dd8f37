// A download while the File view is shown and painted: the window thread keeps painting
// the record table (repaints, activation changes as the "Working ..." and progress windows
// come and go) while the worker downloads. The worker builds its new table privately; the
// views show it once the window thread has committed it. Under ThreadSanitizer any access
// of the worker to the painted table is reported.

#include <QApplication>
#include <QtTest>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/InfoForm.h"
#include "document/ui/DocumentController.h"
#include "document/ui/QtFileChooser.h"
#include "receiver/ui/ReceiverController.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class RepaintTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // 38400 bit/s: a download of the demo memory takes about two seconds.
        QVERIFY(
            sim.Start(TSimProcess::Tcp, {"--load", RAVLIN_TEST_DATA_DIR "/Demo.rvl", "--data-dir",
                                         RAVLIN_TEST_DATA_DIR, "--baud", "38400"}));
        // No backups: two downloads within one second would share a backup name.
        WriteSettings(dir.path() + "/home", sim.Port(), "Backup=0\r\n");
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), dir.path() + "/home", {}});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::Yes;
        });
        QVERIFY(desktop->Start());
    }

    void downloadWhileTheFileViewIsPainted() {
        TMainForm& f = desktop->form();
        TViewsController& v = desktop->views();
        TCore& c = desktop->core();
        // The receiver's records become a document with a note of the user's.
        QVERIFY(desktop->receiver().MenuDownloadClick());
        const QString file = dir.path() + "/doc.rvl";
        desktop->documents().chooser().fileResponder = [&](bool save, const TFileDialog&) {
            return save ? std::optional<std::string>(file.toStdString()) : std::nullopt;
        };
        int first = -1;
        for (size_t i = 0; i < c.table.size() && first < 0; ++i)
            if (!c.table[i].Empty) first = static_cast<int>(i);
        QVERIFY(first >= 0);
        c.table[first].User3 = "painted";
        QVERIFY(desktop->documents().MenuSaveClick());
        QVERIFY(c.state.DocumentOpen);
        f.ShowPage(TPage::File);
        QVERIFY(WaitFor([&] { return v.fileGrid()->isVisible(); }));
        const int rows = v.fileModel()->rowCount();
        QVERIFY(rows > 0);

        // Paint every cell as fast as the window thread can while the worker downloads.
        int paints = 0;
        bool activeOnce = false;
        QTimer painter;
        connect(&painter, &QTimer::timeout, [&] {
            TGridModel* m = v.fileModel();
            for (int r = 0; r < m->rowCount(); ++r)
                for (int col = 0; col < m->columnCount(); ++col)
                    m->data(m->index(r, col), Qt::DisplayRole);
            v.fileGrid()->viewport()->repaint();
            // Activation changes make item views repaint by themselves too.
            QApplication::setActiveWindow(activeOnce ? static_cast<QWidget*>(&desktop->form())
                                                     : &desktop->infoForm());
            activeOnce = !activeOnce;
            ++paints;
        });
        painter.start(1);
        shown.clear();
        QVERIFY(desktop->receiver().MenuDownloadClick());
        painter.stop();
        qInfo("%d paints during the download", paints);
        QVERIFY(paints > 20);
        QVERIFY(shown.empty());

        // The new table, with the document's note merged back, is what the view shows.
        QVERIFY(c.state.Downloaded);
        QCOMPARE(c.table[first].User3, std::string("painted"));
        QCOMPARE(v.fileModel()->rowCount(), rows);
        QStringList texts;
        TGridModel* m = v.fileModel();
        for (int r = 0; r < m->rowCount(); ++r)
            for (int col = 0; col < m->columnCount(); ++col) texts << m->CellText(r, col);
        QVERIFY(texts.contains("painted"));
    }

    void cleanupTestCase() {
        desktop->core().state.Saved = true;
        desktop->form().close();
        desktop.reset();
        sim.Stop();
    }
};

QTEST_MAIN(RepaintTest)
#include "repaint.moc"
