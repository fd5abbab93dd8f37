#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "app/StatusBar.h"
#include "monitoring/Monitor.h"

namespace ravlin {
namespace {

TTextTable Texts() {
    TTextTable t(100);
    t[88] = "Saved";
    return t;
}

TEST(StatusBar, PanelsAndMarksFollowTheState) {
    TStatusInput in;
    in.connectionText = "COM 1:9600";
    in.receiverDescription = "Receiver 8";
    TStatusView v = ComputeStatus(in, Texts());
    EXPECT_EQ(v.panels, (std::array<std::string, 5>{"", "COM 1:9600", "", "", ""}));
    EXPECT_FALSE(v.memoryMark);
    EXPECT_FALSE(v.fileMark);
    EXPECT_FALSE(v.monitorMark.has_value());

    // After a download with a document open: unsaved, memory not modified.
    in.state.LoggedIn = true;
    in.state.DocumentOpen = true;
    in.state.Saved = false;
    in.state.FileName = "/tmp/a.rvl";
    in.state.OnLine = true;
    v = ComputeStatus(in, Texts());
    EXPECT_EQ(v.panels, (std::array<std::string, 5>{"Receiver 8", "COM 1:9600", "On-line", "",
                                                    "/tmp/a.rvl"}));
    EXPECT_TRUE(v.fileMark);
    EXPECT_FALSE(v.memoryMark);
    // A lost link keeps on-line mode, marked until the receiver is back.
    in.state.LinkLost = true;
    EXPECT_EQ(ComputeStatus(in, Texts()).panels[2], kLinkLostMark);
    in.state.LinkLost = false;

    in.state.Saved = true;
    in.state.MemoryModified = true;
    v = ComputeStatus(in, Texts());
    EXPECT_EQ(v.panels[3], "Saved");
    EXPECT_FALSE(v.fileMark);
    EXPECT_TRUE(v.memoryMark);

    // Logged out: no description, no memory mark even with a stale modified flag.
    in.state.LoggedIn = false;
    in.state.DocumentOpen = false;
    v = ComputeStatus(in, Texts());
    EXPECT_EQ(v.panels[0], "");
    EXPECT_EQ(v.panels[3], "");
    EXPECT_EQ(v.panels[4], "");
    EXPECT_FALSE(v.memoryMark);

    in.monitorExists = true;
    in.monitorSaved = false;
    EXPECT_EQ(ComputeStatus(in, Texts()).monitorMark, std::optional<bool>(true));
    in.monitorSaved = true;
    EXPECT_EQ(ComputeStatus(in, Texts()).monitorMark, std::optional<bool>(false));
}

TEST(StatusBar, RecordCommandsByPage) {
    TStatusInput in;
    auto at = [&](TPage page) {
        in.pageShown = page;
        return ComputeStatus(in, Texts()).recordCommands;
    };
    EXPECT_EQ(at(TPage::File), std::optional<bool>(false));  // File view without a document
    EXPECT_EQ(at(TPage::Memory), std::optional<bool>(false));
    in.state.LoggedIn = true;
    EXPECT_EQ(at(TPage::Memory), std::optional<bool>(true));
    EXPECT_EQ(at(TPage::File), std::optional<bool>(false));
    in.state.DocumentOpen = true;
    EXPECT_EQ(at(TPage::File), std::optional<bool>(true));
    EXPECT_EQ(at(TPage::History), std::optional<bool>(false));
    EXPECT_EQ(at(TPage::Battery), std::optional<bool>(false));
    EXPECT_EQ(at(TPage::Monitoring), std::optional<bool>(true));
    in.messagesPanelVisible = true;
    EXPECT_FALSE(at(TPage::Memory).has_value());
}

TEST(StatusBar, WhatMonitoringAdds) {
    test::TRecordingUi ui;
    const TTextTable texts = Texts();
    const struct {
        bool defined, saved, monitorMode;
        std::optional<bool> monitorMark, recordCommands;
    } cases[] = {
        {false, false, false, std::nullopt, true},  // no set-up: the caption stays
        {true, false, false, true, true},
        {true, true, false, false, true},
        {true, true, true, false, std::nullopt},  // the message panel: commands left alone
    };
    for (const auto& c : cases) {
        TMonitor monitor(texts, ui);
        monitor.Defined = c.defined;
        monitor.Saved = c.saved;
        TStatusInput in;
        in.pageShown = TPage::Monitoring;
        AddMonitorStatus(in, monitor, c.monitorMode);
        const TStatusView v = ComputeStatus(in, texts);
        EXPECT_EQ(v.monitorMark, c.monitorMark) << c.defined << c.saved << c.monitorMode;
        EXPECT_EQ(v.recordCommands, c.recordCommands) << c.defined << c.saved << c.monitorMode;
    }
}

TEST(StatusBar, BrokerPanelSaysTheStateAndWhatWaits) {
    const struct {
        TBrokerState state;
        size_t queued;
        const char* text;
    } cases[] = {
        {TBrokerState::Connected, 0, "Broker: connected"},
        {TBrokerState::Connecting, 0, "Broker: connecting"},
        {TBrokerState::Unreachable, 3, "Broker: unreachable, 3 waiting"},
        {TBrokerState::Refused, 1, "Broker: login refused, 1 waiting"},
        {TBrokerState::Off, 0, "Broker: off"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrokerStatusText(TBrokerStatus{c.state, "detail", c.queued}), c.text);
}

TEST(StatusBar, MarkIsNeverDoubled) {
    EXPECT_EQ(ApplyUnsavedMark("File view", true), "File view*");
    EXPECT_EQ(ApplyUnsavedMark(ApplyUnsavedMark("File view", true), true), "File view*");
    EXPECT_EQ(ApplyUnsavedMark("File view*", false), "File view");
    EXPECT_EQ(ApplyUnsavedMark("File view", false), "File view");
    EXPECT_EQ(ApplyUnsavedMark("", false), "");
}

}  // namespace
}  // namespace ravlin
