// Monitor mode in the desktop program (offscreen) against the simulator, with the real
// link timing, while the receiver goes away and comes back:
//   - from the receiver's return (its port listening again after "down") until monitoring
//     runs again (the trouble row gone from the message list, the worker listening), with
//     the settings' waits between the tries (ReconnectFirst, ReconnectMax: the defaults,
//     1 s doubling up to 30 s, and a try every second), for outages of 1 to 8 s;
//   - from a receiver that goes silent without closing ("silent on") until the trouble row
//     is in the message list: target 10 s.
// Exits 1 when the target is missed or a run does not end.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "../tests/support/SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/QtUserInterface.h"
#include "monitoring/ui/MonitorController.h"
#include "monitoring/ui/MonitorModels.h"
#include "online/ui/OnlineController.h"
#include "receiver/TransferWorker.h"

using namespace ravlin;
using ravlin::test::TSimProcess;

namespace {

constexpr double kSilentTargetMs = 10000;

bool Until(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
    }
    return true;
}

void Spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

struct TStats {
    std::vector<double> ms;
    double Max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
    double Min() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
    void Print(const char* what) const {
        double sum = 0;
        for (double v : ms) sum += v;
        std::printf("%-58s min %7.0f  mean %7.0f  max %7.0f ms  (%zu runs)\n", what, Min(),
                    ms.empty() ? 0 : sum / ms.size(), Max(), ms.size());
    }
};

// One program against one simulator, with the waits between the tries given.
class TConsole {
  public:
    bool Start(const QString& home, const QString& setup, int first, int max) {
        if (!sim_.Start(TSimProcess::Tcp, {"--type", "KV3S", "--data-dir", RAVLIN_DATA_DIR}))
            return false;
        QDir().mkpath(home);
        QFile f(home + "/RavlinProj.ini");
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        f.write(QStringLiteral("[Setup]\r\nConnectionType=1\r\nIPAddress=127.0.0.1\r\n"
                               "IPPort=%1\r\nWelcome=0\r\nSoundCard=0\r\nSoundSpeaker=0\r\n"
                               "ReconnectFirst=%2\r\nReconnectMax=%3\r\nLastMonitorFile=%4\r\n")
                    .arg(sim_.Port())
                    .arg(first)
                    .arg(max)
                    .arg(setup)
                    .toUtf8());
        f.close();
        desktop_ = std::make_unique<TDesktop>(TStartOptions{RAVLIN_DATA_DIR, home, QString()});
        desktop_->ui().setResponder(
            [](TQtUserInterface::Kind, const TMessage&, TButtons) { return TAnswer::Yes; });
        if (!desktop_->Start() || !Until([&] { return desktop_->StartComplete(); }, 10000))
            return false;
        TMonitorController& monitor = desktop_->monitor();
        if (!monitor.MenuMonitorClick() || !Until([&] { return monitor.MonitorMode(); }, 10000))
            return false;
        list_ = qobject_cast<TMessageListModel*>(
            desktop_->form().findChild<QTableView*>("MessageGrid")->model());
        // An alarm stands through the outages, as on a real console.
        return Control("reception 0012345 1 00 0000") &&
               Until([&] { return desktop_->monitor().monitor().ActiveCount() == 1; }, 10000);
    }
    bool Control(const std::string& line) { return sim_.Control(line) == "ok"; }
    bool Trouble() const { return list_->IsTroubleRow(0); }
    // Monitoring again: no trouble row, the link open, the worker listening.
    bool Monitoring() const {
        TCore& core = desktop_->core();
        return !Trouble() && !desktop_->online().LinkLost() && core.receiver.link.IsOpen() &&
               !core.receiver.transferWorker.Idle();
    }
    void Stop() {
        desktop_.reset();
        sim_.Stop();
    }

  private:
    TSimProcess sim_;
    std::unique_ptr<TDesktop> desktop_;
    TMessageListModel* list_ = nullptr;
};

bool WriteSetup(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(
        "Ravlin monitor setup file\r\n"
        "1#Fire alarm#1#14#0###1#0#0#\r\n"
        "Active:x012345#1#n#end\r\n"
        "Deactive:x022222#2#n#end\r\n");
    return true;
}

// Outages of 1 to 8 s, each ending at another point between two tries: from "up" until
// monitoring runs again.
bool MeasureReturns(TConsole& console, TStats& out) {
    for (int seconds = 1; seconds <= 8; ++seconds) {
        if (!console.Control("down") || !Until([&] { return console.Trouble(); }, 10000))
            return false;
        QElapsedTimer outage;
        outage.start();
        while (outage.elapsed() < seconds * 1000 + (seconds * 370) % 1000) Spin(10);
        if (!console.Control("up")) return false;
        QElapsedTimer back;
        back.start();
        if (!Until([&] { return console.Monitoring(); }, 40000)) return false;
        out.ms.push_back(static_cast<double>(back.nsecsElapsed()) / 1e6);
        Spin(300);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.contains("does not support"))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString setup = dir.path() + "/bench.mon";
    if (!WriteSetup(setup)) return 1;

    bool ok = true;
    TStats defaults, everySecond, silent;
    {
        TConsole console;
        if (!console.Start(dir.path() + "/home1", setup, 1, 30) ||
            !MeasureReturns(console, defaults)) {
            std::fprintf(stderr, "a run with the default waits did not end\n");
            ok = false;
        }
        console.Stop();
    }
    {
        TConsole console;
        if (!console.Start(dir.path() + "/home2", setup, 1, 1) ||
            !MeasureReturns(console, everySecond)) {
            std::fprintf(stderr, "a run with a try every second did not end\n");
            ok = false;
        }
        // A silent receiver: the probe after a quiet spell, and its reply time.
        for (int run = 0; ok && run < 6; ++run) {
            // Silence begins at a different point of the probe's cycle each time.
            Spin(500 * run);
            if (!console.Control("silent on")) ok = false;
            QElapsedTimer t;
            t.start();
            if (!Until([&] { return console.Trouble(); }, 20000)) ok = false;
            silent.ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            if (!console.Control("silent off") ||
                !Until([&] { return console.Monitoring(); }, 20000))
                ok = false;
        }
        console.Stop();
    }
    defaults.Print("receiver back to monitoring again, waits 1 s doubling to 30 s");
    everySecond.Print("receiver back to monitoring again, a try every second");
    silent.Print("silent receiver to the trouble row");
    std::printf("(listening probes a line quiet for %d ms and waits %d ms for the answer)\n",
                TTransferWorker::kProbeIdleMs, TTransferWorker::kProbeReplyMs);
    if (silent.Max() > kSilentTargetMs) {
        std::printf("MISSED: a silent receiver took more than %.0f ms to show\n", kSilentTargetMs);
        ok = false;
    }
    return ok ? 0 : 1;
}
