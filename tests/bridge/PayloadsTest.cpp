// What the bridge writes and reads without a broker: the command parser, topics,
// addresses, JSON texts and the queue on disk.

#include <gtest/gtest.h>

#include "../online/OnlineTestUtil.h"
#include "bridge/BrokerConfig.h"
#include "bridge/Json.h"
#include "bridge/Outbox.h"
#include "bridge/Payloads.h"

namespace ravlin {
namespace {

TEST(BridgeCommand, TakesOnlyADeactivationWithAnOperator) {
    struct TCase {
        std::string payload;
        const char* op;  // nullptr: refused
        const char* why;
    };
    const std::vector<TCase> cases = {
        {R"({"action": "deactivate", "operator": "Carol"})", "Carol", ""},
        {R"( {"operator":"Jos\u00e9","action":"deactivate","note":"x"} )", "José", ""},
        {R"({"action": "deactivate"})", nullptr, "no \"operator\""},
        {R"({"action": "activate", "operator": "C"})", nullptr, "unknown action \"activate\""},
        {R"({"operator": "C"})", nullptr, "no \"action\""},
        {R"({"action": "deactivate", "operator": ""})", nullptr, "no \"operator\""},
        {R"({"action": "deactivate", "operator": "a\nb"})", nullptr, "a control character"},
        {R"({"action": "deactivate", "operator": 7})", nullptr, "no \"operator\""},
        {R"({"action": "deactivate", "operator": {"n": 1}})", nullptr, "not a JSON object"},
        {R"({"action": "deactivate", "action": "deactivate", "operator": "C"})", nullptr,
         "not a JSON object"},
        {R"(["deactivate"])", nullptr, "not a JSON object"},
        {R"({"action": "deactivate", "operator": "C"} x)", nullptr, "not a JSON object"},
        {"{\"action\": \"deactivate\", \"operator\": \"\xC3\"}", nullptr, "not a JSON object"},
        {R"({"action": "deactivate", "operator": "\ud800"})", nullptr, "not a JSON object"},
        {"{\"action\": \"deactivate\", \"operator\": \"" + std::string(65, 'x') + "\"}", nullptr,
         "longer than 64"},
        {std::string(513, ' '), nullptr, "longer than 512"},
        {"", nullptr, "not a JSON object"},
    };
    for (const TCase& c : cases) {
        std::string why;
        const auto op = ParseDeactivateCommand(c.payload, why);
        if (c.op) {
            EXPECT_EQ(op.value_or("(refused: " + why + ")"), c.op) << c.payload;
        } else {
            EXPECT_FALSE(op) << c.payload;
            EXPECT_NE(why.find(c.why), std::string::npos) << c.payload << ": " << why;
        }
    }
    // What the consoles send is what the monitor takes.
    std::string why;
    EXPECT_EQ(ParseDeactivateCommand(DeactivateCommand("Ann \"B\""), why), "Ann \"B\"");
}

TEST(BridgeTopics, OnlyTheRavlinTopicsParse) {
    struct TCase {
        const char* topic;
        bool ok;
        const char* kind;
        int number;
        bool command;
    };
    for (const TCase& c : std::vector<TCase>{
             {"ravlin/s/r/alarm/12", true, "alarm", 12, false},
             {"ravlin/s/r/alarm/12/set", true, "alarm", 12, true},
             {"ravlin/s/r/status", true, "status", 0, false},
             {"ravlin/s/r/alarm/012", false, "", 0, false},
             {"ravlin/s/r/alarm/1234567", false, "", 0, false},
             {"ravlin/s/r/alarm/1/get", false, "", 0, false},
             {"ravlin/s/r/alarm", false, "", 0, false},
             {"ravlin/s/r/status/x", false, "", 0, false},
             {"other/s/r/status", false, "", 0, false},
             {"ravlin//r/status", false, "", 0, false},
         }) {
        const auto t = ParseTopic(c.topic);
        ASSERT_EQ(t.has_value(), c.ok) << c.topic;
        if (!t) continue;
        EXPECT_EQ(t->kind, c.kind);
        EXPECT_EQ(t->number, c.number);
        EXPECT_EQ(t->command, c.command);
    }
}

TEST(BridgeConfig, AddressesAndNames) {
    struct TCase {
        const char* url;
        const char* host;  // nullptr: refused
        int port;
        bool tls;
    };
    for (const TCase& c : std::vector<TCase>{{"mqtt://broker", "broker", 1883, false},
                                             {"mqtts://10.0.0.2:9000/", "10.0.0.2", 9000, true},
                                             {"mqtt://[::1]:1884", "::1", 1884, false},
                                             {"mqtts://host", "host", 8883, true},
                                             {"http://host", nullptr, 0, false},
                                             {"mqtt://", nullptr, 0, false},
                                             {"mqtt://host:", nullptr, 0, false},
                                             {"mqtt://host:70000", nullptr, 0, false},
                                             {"mqtt://user@host", nullptr, 0, false}}) {
        std::string why;
        const auto a = ParseBrokerUrl(c.url, why);
        ASSERT_EQ(a.has_value(), c.host != nullptr) << c.url;
        if (!a) {
            EXPECT_NE(why.find(c.url), std::string::npos) << why;
            continue;
        }
        EXPECT_EQ(a->host, c.host);
        EXPECT_EQ(a->port, c.port);
        EXPECT_EQ(a->tls, c.tls);
    }
    for (const char* bad : {"", "a/b", "a+", "#", "   ", "tab\there"})
        EXPECT_FALSE(ValidTopicLevel(bad)) << bad;
    EXPECT_TRUE(ValidTopicLevel("Building 7"));
}

TEST(BridgeJson, TextsAlwaysMakeValidJson) {
    const std::string odd = "a\"b\\c\n\x01\xFF\xC3\xA9";
    const std::string json = TJsonObject().Text("t", odd).Done();
    const auto back = ParseFlatJsonObject(json);
    ASSERT_TRUE(back) << json;
    EXPECT_EQ(*TextMember(*back, "t"), "a\"b\\c\n\x01\xEF\xBF\xBD\xC3\xA9");
}

TEST(BridgeQueue, KeepsOrderAndBoundAndSurvivesDamage) {
    test::TTempDir dir;
    TOutbox box(dir.File("q/MqttQueue-x.dat"));  // the folder is made
    std::vector<TBrokerMessage> many;
    for (size_t i = 0; i < kOutboxMaxMessages + 5; ++i)
        many.push_back({"ravlin/s/r/reception", "{\"n\": " + std::to_string(i) + "}", false});
    size_t dropped = 0;
    ASSERT_EQ(box.Add(many, false, &dropped), 0);
    EXPECT_EQ(dropped, 5u);  // the oldest went
    std::vector<TBrokerMessage> front;
    ASSERT_EQ(box.Front(2, front), 0);
    ASSERT_EQ(front.size(), 2u);
    EXPECT_EQ(front[0].payload, "{\"n\": 5}");
    // Sent before the end and not confirmed: first next time.
    ASSERT_EQ(box.RemoveFront(front), 0);
    ASSERT_EQ(box.Add({{"ravlin/s/r/status", "offline", true}}, true), 0);
    ASSERT_EQ(box.Front(1, front), 0);
    EXPECT_EQ(front[0], (TBrokerMessage{"ravlin/s/r/status", "offline", true}));
    // Removing what was delivered stops where the file no longer begins with it.
    ASSERT_EQ(box.RemoveFront({front[0], {"ravlin/s/r/reception", "{\"n\": 999}", false}}), 0);
    EXPECT_EQ(box.Count(), kOutboxMaxMessages - 2);

    size_t skipped = 0;
    const auto parsed = ParseOutbox(
        "ravlin-mqtt-queue 1\nr\ttopic\tpayload\nbroken line\n"
        "x\ta\tb\n-\t\tb\n-\tt\tp\tq\n-\tt2\t\n",
        &skipped);
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[1], (TBrokerMessage{"t2", "", false}));
    EXPECT_EQ(skipped, 4u);
    EXPECT_TRUE(ParseOutbox("not a queue\nr\tt\tp\n").empty());
}

}  // namespace
}  // namespace ravlin
