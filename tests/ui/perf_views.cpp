// Prints (never asserts on) the File view refresh time with 9 999 records and the time
// from start to the shown main window. Figures for the report; limits live elsewhere.

#include <QElapsedTimer>
#include <QtTest>
#include <cstdio>
#include <random>

#include "GuiSupport.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "document/ui/DocumentController.h"
#include "document/ui/QtFileChooser.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class PerfViews : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

  private slots:
    void startUpToShown() {
        const QString home = dir.path() + "/start";
        WriteSettings(home, 1);
        QElapsedTimer t;
        t.start();
        TDesktop d({DataDir(), home, {}});
        QVERIFY(d.Start());
        QVERIFY(QTest::qWaitForWindowExposed(&d.form()));
        std::printf("PERF start-up to shown main window: %.1f ms\n", t.nsecsElapsed() / 1e6);
        d.form().close();
    }

    void fileViewRefreshWith9999Records() {
        const QString home = dir.path() + "/refresh";
        WriteSettings(home, 1);
        TDesktop d({DataDir(), home, {}});
        d.ui().setResponder([](auto, auto, auto) { return TAnswer::No; });
        d.documents().chooser().typeResponder = [](const std::string&) {
            return std::optional<std::string>("KV2R");
        };
        QVERIFY(d.Start());
        QVERIFY(d.documents().MenuNewClick());
        TCore& c = d.core();
        const TData model = c.table.front();
        c.table.clear();
        std::mt19937 rng(7);
        const char* hex = "0123456789ABCDEF";
        for (int p = 1; p <= 9999; ++p) {
            TData r = model;
            r.Position = p;
            r.Empty = false;
            r.Serial.clear();
            for (int i = 0; i < 5; ++i) r.Serial += hex[rng() % 16];
            r.Button = std::string(1, "12348"[rng() % 5]);
            r.UserID = static_cast<int>(rng() % 500);
            r.User1 = "User " + std::to_string(rng() % 1000);
            c.table.push_back(r);
        }
        c.device.RecordCount = 9999;
        TMainForm& f = d.form();
        TViewsController& v = d.views();
        f.ShowPage(TPage::File);

        QElapsedTimer t;
        t.start();
        d.views().RefreshViews();
        QCoreApplication::processEvents();
        const double byPosition = t.nsecsElapsed() / 1e6;
        QCOMPARE(v.fileModel()->rowCount(), 9999);

        // Sorted by the transmitter code (a number key) and by User 1 (a text key).
        double sorted[2] = {0, 0};
        const int kinds[2] = {kind::Code, kind::User1};
        for (int i = 0; i < 2; ++i) {
            const int column = d.views().fileView().layout.IndexOf(kinds[i]);
            QVERIFY(column >= 0);
            PressFileViewHeader(c.settings.FileSorts, d.views().fileView(), column);
            t.restart();
            d.views().RefreshViews();
            QCoreApplication::processEvents();
            sorted[i] = t.nsecsElapsed() / 1e6;
            QCOMPARE(v.fileModel()->rowCount(), 9999);
        }
        std::printf(
            "PERF File view refresh, 9999 records: position order %.1f ms, "
            "by code %.1f ms, by User 1 %.1f ms\n",
            byPosition, sorted[0], sorted[1]);
        c.state.Saved = true;
        f.close();
    }
};

QTEST_MAIN(PerfViews)
#include "perf_views.moc"
