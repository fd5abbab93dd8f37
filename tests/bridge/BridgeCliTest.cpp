// The bridge end to end: ravlin-cli monitor and listen publishing to a Mosquitto of the
// test's own, the real simulator as the receiver, and the consoles without a receiver
// (ravlin-cli alarms --follow, ravlin-cli deactivate) on the same broker.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <future>
#include <regex>
#include <thread>

#include "../online/OnlineTestUtil.h"
#include "BrokerProcess.h"
#include "CliRun.h"
#include "SimProcess.h"
#include "bridge/Json.h"
#include "bridge/Outbox.h"
#include "bridge/Payloads.h"
#include "monitoring/AlarmLog.h"

namespace ravlin {
namespace {

using test::TBrokerProcess;
using test::TCliResult;
using test::TCliRun;
using test::TSimProcess;

const std::string kImage =
    "0111234501000000"
    "0222222201000000"
    "0433333301000000" +
    std::string(48, 'F');

// "Door open" comes with 12345's button 1 and goes with 22222's button 2.
const std::string kSetup =
    "Ravlin monitor setup file\r\n"
    "1#Door open#1#12#0###1#0#0#\r\n"
    "Active:x012345#1#n#end\r\n"
    "Deactive:x022222#2#n#end\r\n"
    "2#Panic#3#10#0###0#0#0#\r\n"
    "Active:x033333#3#n#end\r\n"
    "Deactive:end\r\n";

// The "topic payload" lines of mosquitto_sub -v.
std::map<std::string, std::string> ByTopic(const std::string& lines) {
    std::map<std::string, std::string> out;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        const size_t blank = line.find(' ');
        if (blank != std::string::npos) out[line.substr(0, blank)] = line.substr(blank + 1);
    }
    return out;
}

class BridgeCli : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TBrokerProcess::Available()) GTEST_SKIP() << "mosquitto is not installed";
        ::setenv("RAVLIN_LINK_TIMING", "200,5", 1);
        home = dir.File("home");
        std::filesystem::create_directory(home);
        setup = dir.File("alarms.mon");
        test::WriteAll(setup, kSetup);
        document = dir.File("site.rvl");
        test::WriteAll(document,
                       "KV2R\r\n6\r\n" + kImage +
                           "\r\n"
                           "1   7#Alice#Flat 1###\r\nx0 -\r\n"
                           "2   8#Bob####\r\nx0 -\r\n"
                           "3   0#####\r\nx0 -\r\n"
                           "4   0#####\r\nx0 -\r\n5   0#####\r\nx0 -\r\n6   0#####\r\nx0 -\r\n");
        ASSERT_TRUE(
            sim.Start(TSimProcess::Tcp, {"--data-dir", RAVLIN_TEST_DATA_DIR, "--load", document}));
    }
    std::vector<std::string> Args(std::vector<std::string> command, bool receiver = true) {
        std::vector<std::string> a;
        if (receiver) a = sim.CliOptions();
        a.insert(a.end(), {"--home", home, "--data-dir", RAVLIN_TEST_DATA_DIR, "--lang", "US"});
        a.insert(a.end(), command.begin(), command.end());
        return a;
    }
    std::vector<std::string> Broker(std::vector<std::string> command) {
        command.insert(command.end(), {"--mqtt", broker.Url(), "--site", "s1"});
        return command;
    }
    long Frames() {
        long n = -1;
        std::sscanf(sim.Control("stats").c_str(), "frames %ld", &n);
        return n;
    }
    bool WaitFrames(long frames) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Frames() >= frames) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    void Receive(const std::string& reception) {
        const long frames = Frames();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(sim.Control("reception " + reception), "ok");
        ASSERT_TRUE(WaitFrames(frames + 1)) << reception;
    }
    // The retained state of a topic as the broker holds it now.
    std::string Retained(const std::string& topic) {
        const auto m = ByTopic(broker.Subscribe(topic, 1, 3));
        return m.count(topic) ? m.at(topic) : "";
    }

    test::TTempDir dir;
    std::string home, setup, document;
    TSimProcess sim;
    TBrokerProcess broker;
};

TEST_F(BridgeCli, MonitorPublishesAndAnotherConsoleClearsTheAlarm) {
    ASSERT_TRUE(broker.Start());
    auto receptions = std::async(std::launch::async,
                                 [&] { return broker.Subscribe("ravlin/s1/r1/reception", 2, 40); });
    TCliRun monitor;
    ASSERT_TRUE(monitor.Start(Args(Broker(
        {"monitor", setup, "--receiver", "r1", "--data", document, "--history-level", "3"}))));
    ASSERT_TRUE(WaitFrames(5));
    Receive("0012345 1 01 0000");
    ASSERT_TRUE(monitor.WaitOut("activate 1 Door open\n"));
    Receive("A012345 C 00 FFFF");

    // A console that connects now sees the alarm at once.
    TCliRun follower;
    ASSERT_TRUE(follower.Start(Args(Broker({"alarms", "--follow"}), false)));
    ASSERT_TRUE(follower.WaitOut("activate 1 Door open\n"));

    // Commands that are not one change nothing and stop nothing.
    for (const auto& [topic, payload] : std::vector<std::pair<std::string, std::string>>{
             {"ravlin/s1/r1/alarm/1/set", "deactivate"},
             {"ravlin/s1/r1/alarm/1/set", R"({"action": "explode", "operator": "X"})"},
             {"ravlin/s1/r1/alarm/1/set",
              "{\"action\": \"deactivate\", \"operator\": \"" + std::string(600, 'x') + "\"}"},
             {"ravlin/s1/r1/alarm/99/set", R"({"action": "deactivate", "operator": "X"})"}})
        ASSERT_TRUE(broker.Publish(topic, payload, false));
    const TCliResult cleared = TCliRun::Run(
        Args(Broker({"deactivate", "1", "--receiver", "r1", "--operator", "Carol"}), false));
    ASSERT_EQ(cleared.status, 0) << cleared.err;
    EXPECT_EQ(cleared.out, "deactivate 1 Door open\n");
    ASSERT_TRUE(monitor.WaitOut("deactivate 1 Door open\n"));
    ASSERT_TRUE(follower.WaitOut("deactivate 1 Door open\n"));
    // An alarm that is not active cannot be cleared.
    const TCliResult again = TCliRun::Run(
        Args(Broker({"deactivate", "1", "--receiver", "r1", "--operator", "Carol"}), false));
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("is not active"), std::string::npos) << again.err;

    monitor.Signal(SIGTERM);
    const TCliResult end = monitor.Finish(20000);
    EXPECT_EQ(end.status, 130) << end.err;
    follower.Signal(SIGTERM);
    follower.Finish(10000);
    EXPECT_NE(end.err.find("broker: connected to 127.0.0.1"), std::string::npos) << end.err;
    EXPECT_NE(end.err.find("ignored a command on ravlin/s1/r1/alarm/1/set: not a JSON object"),
              std::string::npos)
        << end.err;
    EXPECT_NE(end.err.find("unknown action \"explode\""), std::string::npos);
    EXPECT_NE(end.err.find("longer than 512 bytes"), std::string::npos);
    EXPECT_NE(end.err.find("message 99 by X: the set-up has no such message"), std::string::npos);

    // The alarm log names the operator and that the command came over the network.
    std::vector<TAlarmEntry> log;
    ASSERT_EQ(TAlarmLog(home + "/" + kAlarmLogName).ReadAll(log), 0);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1].Action, TAlarmAction::Deactivate);
    EXPECT_EQ(log[1].Cause, TAlarmCause::Network);
    EXPECT_EQ(log[1].Operator, "Carol");

    // What the broker got, as a later console finds it.
    const std::string published = receptions.get();
    EXPECT_EQ(std::count(published.begin(), published.end(), '\n'), 2) << published;
    const auto states = ByTopic(broker.Subscribe("ravlin/s1/r1/#", 5, 3));
    EXPECT_EQ(states.at("ravlin/s1/r1/status"), "offline");
    const auto alarm = ParseAlarmPayload(states.at("ravlin/s1/r1/alarm/1"));
    ASSERT_TRUE(alarm);
    EXPECT_FALSE(alarm->active);
    EXPECT_EQ(alarm->by, "Carol");
    EXPECT_EQ(alarm->cause, "network");
    EXPECT_TRUE(ParseFlatJsonObject(states.at("ravlin/s1/r1/trouble")));
    std::printf("published:\n%s", broker.Subscribe("ravlin/s1/r1/#", 5, 3).c_str());
}

TEST_F(BridgeCli, ReceptionsCarryTheirRecordAndHomeAssistantFindsTheReceiver) {
    ASSERT_TRUE(broker.Start());
    auto receptions = std::async(std::launch::async,
                                 [&] { return broker.Subscribe("ravlin/s1/r1/reception", 2, 40); });
    TCliRun monitor;
    ASSERT_TRUE(monitor.Start(
        Args(Broker({"monitor", setup, "--receiver", "r1", "--data", document, "--count", "2"}))));
    ASSERT_TRUE(WaitFrames(5));
    Receive("0012345 1 01 0000");
    Receive("A012345 C 00 FFFF");
    const TCliResult end = monitor.Finish(20000);
    ASSERT_EQ(end.status, 0) << end.err;

    std::istringstream lines(receptions.get());
    std::vector<TJsonMembers> got;
    std::string raw;
    for (std::string line; std::getline(lines, line);) {
        raw += line + "\n";
        const std::string json = line.substr(line.find(' ') + 1);
        // Arrays are not flat: the user texts are checked as text.
        const size_t user = json.find("\"user\": ");
        ASSERT_NE(user, std::string::npos) << json;
        const size_t after = json[user + 8] == '[' ? json.find(']', user) + 1 : user + 12;
        auto m = ParseFlatJsonObject(json.substr(0, user) + "\"user\": 0" + json.substr(after));
        ASSERT_TRUE(m) << json;
        (*m)["user"] =
            TJsonValue{TJsonValue::Kind::String, json.substr(user + 8, after - user - 8), 0};
        got.push_back(*m);
    }
    std::printf("receptions:\n%s", raw.c_str());
    ASSERT_EQ(got.size(), 2u) << raw;
    const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");
    EXPECT_TRUE(std::regex_match(*TextMember(got[0], "time"), iso));
    EXPECT_EQ(*TextMember(got[0], "serial"), "0012345");
    EXPECT_EQ(*TextMember(got[0], "button"), "1");
    EXPECT_EQ(*TextMember(got[0], "battery"), "low");
    EXPECT_EQ(*NumberMember(got[0], "position"), 1);
    EXPECT_EQ(*NumberMember(got[0], "user_id"), 7);
    EXPECT_EQ(got[0].at("user").text, R"(["Alice", "Flat 1", "", ""])");
    EXPECT_EQ(got[0].at("input").kind, TJsonValue::Kind::Null);
    // An input transmitter: its inputs, no position, no record of its inputs' state.
    EXPECT_EQ(*TextMember(got[1], "input"), "A=1,B=1");
    EXPECT_EQ(got[1].at("position").kind, TJsonValue::Kind::Null);
    EXPECT_EQ(got[1].at("user_id").kind, TJsonValue::Kind::Null);

    const auto discovery = ByTopic(broker.Subscribe("homeassistant/#", 4, 3));
    std::printf("discovery:\n%s", broker.Subscribe("homeassistant/#", 4, 3).c_str());
    ASSERT_EQ(discovery.size(), 4u);
    const std::string door =
        discovery.at("homeassistant/binary_sensor/ravlin_s1_r1/alarm_1/config");
    for (const char* field :
         {"\"name\": \"Door open\"", "\"device_class\": \"problem\"",
          "\"state_topic\": \"ravlin/s1/r1/alarm/1\"", "\"payload_on\": \"active\"",
          "\"availability_topic\": \"ravlin/s1/r1/status\"", "\"unique_id\"", "\"device\""})
        EXPECT_NE(door.find(field), std::string::npos) << field << " in " << door;
    const std::string event = discovery.at("homeassistant/event/ravlin_s1_r1/reception/config");
    EXPECT_NE(event.find("\"event_types\": [\"reception\"]"), std::string::npos) << event;
    EXPECT_NE(event.find("\"state_topic\": \"ravlin/s1/r1/reception\""), std::string::npos);
    EXPECT_TRUE(discovery.count("homeassistant/binary_sensor/ravlin_s1_r1/trouble/config"));
}

TEST_F(BridgeCli, ABrokerOutageLosesNothingAlsoAcrossARestart) {
    ASSERT_TRUE(broker.Start());
    // A subscriber with a session the broker keeps: what comes while it is away waits.
    const auto collect = [&](int count, int seconds) {
        const std::string out = dir.File("collected.txt");
        std::system(("mosquitto_sub -h 127.0.0.1 -p " + std::to_string(broker.Port()) +
                     " -c -i outage-watch -q 1 -t ravlin/s1/r1/reception -C " +
                     std::to_string(count) + " -W " + std::to_string(seconds) + " > " + out +
                     " 2>/dev/null")
                        .c_str());
        return test::ReadAll(out);
    };
    collect(1, 1);  // the session begins
    const std::string queue = home + "/" + OutboxFileName("ravlin-listen-test");
    const auto listen = [&](TCliRun& run) {
        return run.Start(
            Args(Broker({"listen", "--receiver", "r1", "--mqtt-client-id", "ravlin-listen-test"})));
    };
    TCliRun first;
    ASSERT_TRUE(listen(first));
    ASSERT_TRUE(WaitFrames(5));
    Receive("0010001 1 00 FFFF");
    ASSERT_TRUE(first.WaitOut("0010001 1 ok -\n"));
    broker.Stop();
    for (const char* r : {"0010002 1 00 FFFF", "0010003 1 00 FFFF"}) Receive(r);
    ASSERT_TRUE(first.WaitOut("0010003 1 ok -\n"));
    first.Signal(SIGTERM);
    const TCliResult firstEnd = first.Finish(20000);
    EXPECT_NE(firstEnd.err.find("broker: lost 127.0.0.1"), std::string::npos) << firstEnd.err;
    // The run that ended left its messages in the queue; the next one adds to it.
    const size_t afterFirst = ParseOutbox(test::ReadAll(queue)).size();
    EXPECT_GE(afterFirst, 2u);
    TCliRun second;
    ASSERT_TRUE(listen(second));
    ASSERT_TRUE(WaitFrames(Frames() + 5));
    for (const char* r : {"0010004 1 00 FFFF", "0010005 1 00 FFFF"}) Receive(r);
    ASSERT_TRUE(second.WaitOut("0010005 1 ok -\n"));
    // Two receptions, the trouble's state and the discovery of the receptions and the link
    // (the line on stdout comes just before the bridge takes the reception).
    size_t beforeReturn = 0;
    for (int i = 0; i < 100 && beforeReturn != afterFirst + 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        beforeReturn = ParseOutbox(test::ReadAll(queue)).size();
    }
    EXPECT_EQ(beforeReturn, afterFirst + 5);
    ASSERT_TRUE(broker.Start());
    const std::string got = collect(5, 60);
    std::printf(
        "queued before the broker came back: %zu after the first run, %zu after the "
        "second\narrived:\n%s",
        afterFirst, beforeReturn, got.c_str());
    std::vector<std::string> serials;
    for (size_t at = got.find("\"serial\": \""); at != std::string::npos;
         at = got.find("\"serial\": \"", at + 1))
        serials.push_back(got.substr(at + 11, 7));
    EXPECT_EQ(serials,
              (std::vector<std::string>{"0010001", "0010002", "0010003", "0010004", "0010005"}));
    second.Signal(SIGTERM);
    const TCliResult secondEnd = second.Finish(20000);
    EXPECT_NE(secondEnd.err.find("broker: connected to"), std::string::npos) << secondEnd.err;
    EXPECT_EQ(ParseOutbox(test::ReadAll(queue)).size(), 0u);
}

TEST_F(BridgeCli, LoginAndCertificateFaultsSayWhatIsWrong) {
    ASSERT_TRUE(broker.Start({.user = "watch", .password = "s3cret", .tls = true}));
    const std::string right = dir.File("right.pw"), wrong = dir.File("wrong.pw"),
                      open = dir.File("open.pw");
    test::WriteAll(right, "s3cret\n");
    test::WriteAll(wrong, "guess\n");
    test::WriteAll(open, "s3cret\n");
    ::chmod(right.c_str(), 0600);
    ::chmod(wrong.c_str(), 0600);
    ::chmod(open.c_str(), 0644);
    // Another authority, which did not sign the broker's certificate.
    const std::string otherCa = dir.File("other-ca.crt");
    ASSERT_EQ(
        std::system(("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + dir.File("other.key") +
                     " -out " + otherCa + " -subj /CN=Other -days 1 >/dev/null 2>&1")
                        .c_str()),
        0);
    struct TCase {
        std::string password, ca;
        int status;
        std::string says;
    };
    for (const TCase& c : std::vector<TCase>{
             {right, broker.CaFile(), 0, ""},
             {wrong, broker.CaFile(), 1, "not authorised"},
             {right, otherCa, 1, "certificate verify failed"},
             {open, broker.CaFile(), 1, "broker password: "},
         }) {
        const TCliResult r =
            TCliRun::Run(Args(Broker({"alarms", "--mqtt-user", "watch", "--mqtt-password-file",
                                      c.password, "--mqtt-ca", c.ca, "--wait", "5"}),
                              false));
        EXPECT_EQ(r.status, c.status) << c.password << " " << c.ca << "\n" << r.err;
        if (!c.says.empty()) {
            EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        }
        // The password never shows.
        EXPECT_EQ(r.err.find("s3cret"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace ravlin
