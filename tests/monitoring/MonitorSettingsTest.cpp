#include <gtest/gtest.h>

#include "monitoring/MonitorSettings.h"

namespace ravlin {
namespace {

TEST(MonitorSettings, DefaultsKeysAndRanges) {
    TIniFile ini("");
    TMonitorSettings s;
    s.Load(ini);
    EXPECT_EQ(s.MonitorFont, "Tahoma");
    EXPECT_FALSE(s.SoundCard);
    EXPECT_TRUE(s.SoundSpeaker);
    EXPECT_FALSE(s.Monitor);
    EXPECT_EQ(s.Sort.column, 0);
    EXPECT_TRUE(s.Sort.ascending);

    ini.LoadText(
        "[Setup]\r\nMonitorFont=Arial\r\nSoundCard=1\r\nSoundSpeaker=0\r\nMonitor=5\r\n"
        "OpenMonitorFile=1\r\nOpenMonitorPath=/m/start.mon\r\nLastMonitorFile=/m/last.mon\r\n"
        "MonitorSortCol=9\r\nMonitorSortUp=0\r\n[Monitor]\r\nOperator=Jan Novak\r\n");
    s.Load(ini);
    EXPECT_EQ(s.MonitorFont, "Arial");
    EXPECT_TRUE(s.SoundCard);
    EXPECT_FALSE(s.SoundSpeaker);
    EXPECT_TRUE(s.Monitor);
    EXPECT_TRUE(s.OpenMonitorFile);
    EXPECT_EQ(s.OpenMonitorPath, "/m/start.mon");
    EXPECT_EQ(s.LastMonitorFile, "/m/last.mon");
    EXPECT_EQ(s.Sort.column, 0);  // no such column
    EXPECT_FALSE(s.Sort.ascending);
    EXPECT_EQ(s.Operator, "Jan Novak");

    s.Sort = {kMsgSound, true};
    s.LastMonitorFile.clear();
    s.Operator = "Eve";
    s.Save(ini);
    TMonitorSettings back;
    TIniFile again("");
    again.LoadText(ini.Content());
    back.Load(again);
    EXPECT_EQ(back.Sort.column, int(kMsgSound));
    EXPECT_TRUE(back.Sort.ascending);
    EXPECT_EQ(back.LastMonitorFile, "");  // always written, empty too
    EXPECT_TRUE(again.ValueExists("Setup", "LastMonitorFile"));
    EXPECT_EQ(back.Operator, "Eve");
    EXPECT_EQ(back.MonitorFont, "Arial");  // not the monitor's to write
}

}  // namespace
}  // namespace ravlin
