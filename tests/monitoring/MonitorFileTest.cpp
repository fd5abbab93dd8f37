#include <gtest/gtest.h>

#include "monitoring/MonitorFile.h"

namespace ravlin {
namespace {

const std::string kHeader = "Ravlin monitor setup file\r\n";

TEST(MonitorFile, WritesTheDocumentedLinesByteForByte) {
    TMonitorData m;
    m.Number = 1;
    m.Text = "Door open";
    m.Color = 1;
    m.Size = 8;
    m.Sound = 4;
    m.Blink = true;
    m.ActiveEvents = {{"x012345", "3"}, {"1ABCDE0", "F"}};
    EXPECT_EQ(FormatMessageLine(m), "1#Door open#1#8#4###1#0#0#");
    EXPECT_EQ(FormatEventLine("Active:", m.ActiveEvents), "Active:x012345#3#n#1ABCDE0#F#n#end");
    EXPECT_EQ(FormatEventLine("Deactive:", {}), "Deactive:end");
    EXPECT_EQ(FormatMonitorFile({m}), kHeader +
                                          "1#Door open#1#8#4###1#0#0#\r\n"
                                          "Active:x012345#3#n#1ABCDE0#F#n#end\r\n"
                                          "Deactive:end\r\n");
    EXPECT_EQ(FormatMonitorFile({}), kHeader);
}

TEST(MonitorFile, ReadsWhatItWritesByteForByte) {
    const std::string file = kHeader +
                             "1#Door open#1#8#4###1#0#0#\r\n"
                             "Active:x012345#3#n#1ABCDE0#F#n#end\r\n"
                             "Deactive:end\r\n"
                             "2#Panic \xC4\x8E#6#24#6#/snd/a.wav#/pic/b.jpg#0#1#1#\r\n"
                             "Active:end\r\n"
                             "Deactive:A012345#A=1,B=0#n#end\r\n";
    const auto r = ParseMonitorFile(file);
    ASSERT_EQ(r.status, TMonitorFileStatus::Ok);
    ASSERT_EQ(r.messages.size(), 2u);
    const TMonitorData& m = r.messages[1];
    EXPECT_EQ(m.Text, "Panic \xC4\x8E");
    EXPECT_EQ(m.Color, 6);
    EXPECT_EQ(m.Size, 24);
    EXPECT_EQ(m.Sound, 6);
    EXPECT_EQ(m.SoundFile, "/snd/a.wav");
    EXPECT_EQ(m.Picture, "/pic/b.jpg");
    EXPECT_FALSE(m.Blink);
    EXPECT_TRUE(m.Activate);
    EXPECT_TRUE(m.ShowWindow);
    ASSERT_EQ(m.DeactiveEvents.size(), 1u);
    EXPECT_EQ(m.DeactiveEvents[0].Buttons, "A=1,B=0");
    EXPECT_EQ(FormatMonitorFile(r.messages), file);
}

TEST(MonitorFile, ShortAndOddMessageLines) {
    auto parse = [](const std::string& line) {
        auto r = ParseMonitorFile(kHeader + line + "\r\nActive:end\r\nDeactive:end\r\n");
        EXPECT_EQ(r.status, TMonitorFileStatus::Ok);
        return r.messages.at(0);
    };
    TMonitorData m = parse("2#A##x#");
    EXPECT_EQ(m.Number, 2);
    EXPECT_EQ(m.Text, "A");
    EXPECT_EQ(m.Color, 0);
    EXPECT_EQ(m.Size, 8);  // present but not a number
    EXPECT_EQ(m.Sound, 0);
    EXPECT_FALSE(m.Blink || m.Activate || m.ShowWindow);

    m = parse("3#Short#");
    EXPECT_EQ(m.Size, 0);  // missing fields keep 0
    m = parse("x#T#y#9#z#f#p#1#yes#1#trailing");
    EXPECT_EQ(m.Number, 0);
    EXPECT_EQ(m.Color, 0);
    EXPECT_EQ(m.Size, 9);
    EXPECT_EQ(m.Sound, 0);
    EXPECT_TRUE(m.Blink);
    EXPECT_FALSE(m.Activate);  // only exactly "1" is true
    EXPECT_TRUE(m.ShowWindow);
    m = parse("1#T#1#8#0###0#0#0#30#extra#");
    EXPECT_EQ(m.RepeatTime, 30);
    m = parse("1#T#1#8#0###0#0#0#-5#");
    EXPECT_EQ(m.RepeatTime, 0);
    m = parse("1#T#1#99999999999#0###0#0#0#");
    EXPECT_EQ(m.Size, 8);  // out of range is no number
}

TEST(MonitorFile, RepeatTimeIsAnEleventhFieldOnlyWhenSet) {
    TMonitorData m;
    m.Number = 1;
    m.Text = "T";
    EXPECT_EQ(FormatMessageLine(m), "1#T#0#8#0###0#0#0#");
    m.RepeatTime = 45;
    EXPECT_EQ(FormatMessageLine(m), "1#T#0#8#0###0#0#0#45#");
}

TEST(MonitorFile, EventLists) {
    auto events = [](const std::string& active) {
        auto r = ParseMonitorFile(kHeader + "1#T#\r\n" + active + "\r\nDeactive:end\r\n");
        EXPECT_EQ(r.status, TMonitorFileStatus::Ok);
        return r.messages.at(0).ActiveEvents;
    };
    auto e = events("Active:x012345#3#n#x0ABCDE#5#end");
    ASSERT_EQ(e.size(), 2u);  // the second kept although its "n" is missing
    EXPECT_EQ(e[1], (TEvent{"x0ABCDE", "5"}));
    e = events("Active:x012345#3#q#x0ABCDE#5#n#end");
    ASSERT_EQ(e.size(), 1u);  // a marker other than "n" ends the list
    EXPECT_EQ(e[0], (TEvent{"x012345", "3"}));
    e = events("Active:x012345#end");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0], (TEvent{"x012345", ""}));
    EXPECT_TRUE(events("Active:").empty());
    EXPECT_TRUE(events("Active:anything").empty());
}

TEST(MonitorFile, HeaderAndMissingLines) {
    auto r = ParseMonitorFile(kHeader);
    EXPECT_EQ(r.status, TMonitorFileStatus::Ok);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(ParseMonitorFile("").status, TMonitorFileStatus::WrongHeader);
    EXPECT_EQ(ParseMonitorFile("Ravlin monitor setup file \r\n").status,
              TMonitorFileStatus::WrongHeader);
    EXPECT_EQ(ParseMonitorFile("Ravlin monitor setup file").status, TMonitorFileStatus::Ok);

    r = ParseMonitorFile(kHeader + "1#A#\r\n");  // ends after the message line
    EXPECT_EQ(r.status, TMonitorFileStatus::MissingEventLine);
    EXPECT_EQ(r.messages.size(), 1u);
    r = ParseMonitorFile(kHeader + "1#A#\r\nActive:end\r\nDeactiv:end\r\n");
    EXPECT_EQ(r.status, TMonitorFileStatus::MissingEventLine);
    r = ParseMonitorFile(kHeader + "1#A#\r\n\r\nActive:end\r\nDeactive:end\r\n");
    EXPECT_EQ(r.status, TMonitorFileStatus::MissingEventLine);
}

TEST(MonitorFile, BlankLinesBetweenMessagesAndBareLineFeeds) {
    auto r = ParseMonitorFile(
        "Ravlin monitor setup file\n\n1#A#\nActive:end\nDeactive:end\n\r\n\n2#B#\r\n"
        "Active:end\r\nDeactive:end");
    ASSERT_EQ(r.status, TMonitorFileStatus::Ok);
    ASSERT_EQ(r.messages.size(), 2u);
    EXPECT_EQ(r.messages[1].Text, "B");
}

}  // namespace
}  // namespace ravlin
