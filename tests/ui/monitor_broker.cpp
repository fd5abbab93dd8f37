// The desktop program's monitor mode on the site's broker, against the real simulator and
// a Mosquitto of the test's own: the Broker settings make the program publish, a reception
// and the alarm it raises reach the broker, and a deactivation another console sends
// clears the alarm here under that console's operator.

#include <QLabel>
#include <QtTest>
#include <future>

#include "BrokerProcess.h"
#include "GuiSupport.h"
#include "RecordingSound.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "bridge/Payloads.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/ui/MonitorController.h"
#include "online/ui/OnlineController.h"

using namespace ravlin;
using namespace ravlin::test;

class MonitorBrokerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    TBrokerProcess broker;
    std::unique_ptr<TDesktop> desktop;
    TRecordingSound sound;

    QString Home() const { return dir.path() + "/home"; }
    TMonitorController& Monitor() { return desktop->monitor(); }
    TMonitor& Setup() { return Monitor().monitor(); }
    QString Panel() { return desktop->form().findChild<QLabel*>("BrokerPanel")->text(); }
    std::optional<TAlarmState> Retained(int number) {
        const std::string topic = "ravlin/s1/desk/alarm/" + std::to_string(number);
        const std::string line = broker.Subscribe(topic, 1, 3);
        if (line.rfind(topic + " ", 0) != 0) return std::nullopt;
        return ParseAlarmPayload(line.substr(topic.size() + 1));
    }
    bool Receive(const std::string& line) {
        QSignalSpy polled(&desktop->online(), &TOnlineController::pollFinished);
        if (sim.Control("reception " + line) != "ok") return false;
        return polled.wait(10000) && polled.takeFirst().at(0).toBool();
    }

  private slots:
    void initTestCase() {
        if (!TBrokerProcess::Available()) QSKIP("mosquitto is not installed");
        QVERIFY(dir.isValid());
        QVERIFY(broker.Start());
        QVERIFY(
            sim.Start(TSimProcess::Tcp, {"--type", "KV3S", "--data-dir", RAVLIN_TEST_DATA_DIR}));
        const QString setup = dir.path() + "/desk.mon";
        QFile f(setup);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "Ravlin monitor setup file\r\n"
            "1#Door open#1#12#0###1#0#0#\r\n"
            "Active:x012345#1#n#end\r\n"
            "Deactive:x022222#2#n#end\r\n");
        f.close();
        WriteSettings(Home(), sim.Port(),
                      QString("LastMonitorFile=%1\r\n[Broker]\r\nOn=1\r\nUrl=%2\r\nSite=s1\r\n"
                              "Receiver=desk\r\n")
                          .arg(setup, QString::fromStdString(broker.Url())));
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), Home(), QString()});
        desktop->ui().setResponder(
            [](TQtUserInterface::Kind, const TMessage&, TButtons) { return TAnswer::Yes; });
        Monitor().SetSoundPlayer(&sound);
        desktop->core().receiver.link.SetTimingForTests(300, 5);
        QVERIFY(desktop->Start());
        QVERIFY(desktop->StartComplete());
        QCOMPARE(Setup().Messages.size(), size_t(1));
        QVERIFY(WaitFor([&] { return Panel() == "Broker: connected"; }, 10000));
    }

    void anAlarmAndItsReceptionReachTheBroker() {
        auto reception = std::async(std::launch::async, [&] {
            return broker.Subscribe("ravlin/s1/desk/reception", 1, 30);
        });
        QVERIFY(Monitor().MenuMonitorClick());
        QVERIFY(WaitFor([&] { return Monitor().MonitorMode(); }, 10000));
        QVERIFY(Receive("0012345 1 00 0000"));
        QCOMPARE(Setup().ActiveCount(), 1);
        QVERIFY(WaitFor([&] {
            const auto s = Retained(1);
            return s && s->active;
        }));
        const std::string got = reception.get();
        QVERIFY2(got.find("\"serial\": \"0012345\"") != std::string::npos, got.c_str());
        QVERIFY2(got.find("\"position\": 1") != std::string::npos, got.c_str());
    }

    void anotherConsoleClearsIt() {
        QVERIFY(broker.Publish("ravlin/s1/desk/alarm/1/set",
                               R"({"action": "deactivate", "operator": "Remote Ann"})", false));
        QVERIFY(WaitFor([&] { return Setup().ActiveCount() == 0; }, 5000));
        std::vector<TAlarmEntry> log;
        QCOMPARE(TAlarmLog(Home().toStdString() + "/" + kAlarmLogName).ReadAll(log), 0);
        QVERIFY(!log.empty());
        QCOMPARE(log.back().Cause, TAlarmCause::Network);
        QCOMPARE(log.back().Operator, std::string("Remote Ann"));
        QVERIFY(WaitFor([&] {
            const auto s = Retained(1);
            return s && !s->active && s->by == "Remote Ann";
        }));
    }

    void cleanupTestCase() {
        desktop.reset();
        // The program's end says so on the broker.
        const std::string status = broker.Subscribe("ravlin/s1/desk/status", 1, 3);
        QCOMPARE(QString::fromStdString(status), QString("ravlin/s1/desk/status offline\n"));
    }
};

QTEST_MAIN(MonitorBrokerTest)
#include "monitor_broker.moc"
