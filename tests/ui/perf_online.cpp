// Prints (never asserts on) the History view's figures with 99 999 receptions: opening the
// view (the file read and sorted, the grid rebuilt) and one reception logged with every
// log file replaced and the shown view refreshed and painted, through the program's own
// controller and model. Figures for the report; limits live elsewhere.

#include <QElapsedTimer>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

#include "GuiSupport.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "online/History.h"
#include "online/Reception.h"
#include "online/ui/LogPages.h"
#include "online/ui/OnlineController.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

long RssKb() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

class PerfOnline : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

  private slots:
    void receptionLoggedWithTheHistoryViewShown() {
        const QString home = dir.path() + "/home";
        WriteSettings(home, 1,
                      "HistoryLength=99999\r\nHistoryMonitorLevel=4\r\nBatteryMonitorLevel=4\r\n");
        std::mt19937 rng(7);
        const char* hex = "0123456789ABCDEF";
        auto code = [&] {
            std::string s;
            for (int i = 0; i < 7; ++i) s += hex[rng() % 16];
            return s;
        };
        {
            THistoryList items(THistory::kMaxLength);
            TLogTime t = 0;
            MakeLogTime(2024, 1, 1, 0, 0, 0, t);
            for (auto& rec : items) {
                rec.Serial = code();
                rec.Button = std::string(1, "1248"[rng() % 4]);
                rec.LowBatt = rng() % 20 == 0;
                rec.Time = (t += 1 + rng() % 300);
                rec.UserNumber = static_cast<int32_t>(rng() % 9999);
                rec.User = {"Resident " + std::to_string(rng() % 9999), "Flat 12", "", ""};
            }
            std::reverse(items.begin(), items.end());
            std::ofstream(home.toStdString() + "/History.dat", std::ios::binary)
                << THistory::FormatText(items);
        }
        const long rssBefore = RssKb();
        TDesktop d({DataDir(), home, {}});
        d.ui().setResponder([](auto, auto, auto) { return TAnswer::No; });
        QVERIFY(d.Start());
        QVERIFY(QTest::qWaitForWindowExposed(&d.form()));
        QCOMPARE(d.core().history.Items().size(), size_t(THistory::kMaxLength));
        std::printf("PERF history of 99999 in the program: %.1f MB resident more\n",
                    (RssKb() - rssBefore) / 1024.0);

        QElapsedTimer t;
        t.start();
        d.online().ShowHistoryPage();
        QCoreApplication::processEvents();
        std::printf("PERF History view opened (read, sorted, shown): %.1f ms\n",
                    t.nsecsElapsed() / 1e6);
        QCOMPARE(d.online().historyModel()->rowCount(), THistory::kMaxLength);

        std::vector<double> ms;
        for (int i = 0; i < 20; ++i) {
            TReception r;
            QVERIFY(DecodeReception(
                "1" + code() + "00000000" + (i % 2 ? "01" : "00") + "FFFF" + std::string(10, '0'),
                r));
            t.restart();
            d.online().TakeReception(r);
            d.form().repaint();
            QCoreApplication::processEvents();
            ms.push_back(t.nsecsElapsed() / 1e6);
            QCOMPARE(d.online().historyModel()->index(0, 0).data().toString(),
                     QString::fromStdString(r.serial));
        }
        std::printf(
            "PERF one reception logged (3 log files replaced, History view of 99999 "
            "refreshed and painted): %.1f ms median, %.1f ms worst of 20\n",
            Median(ms), *std::max_element(ms.begin(), ms.end()));
        d.form().close();
    }
};

QTEST_MAIN(PerfOnline)
#include "perf_online.moc"
