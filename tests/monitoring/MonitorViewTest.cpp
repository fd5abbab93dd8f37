#include <gtest/gtest.h>

#include "../records/RecordTestUtil.h"
#include "monitoring/MonitorView.h"

namespace ravlin {
namespace {

TEST(MessagesGrid, CellsOfEveryColumn) {
    const TTextTable texts = test::NumberedTexts();
    EXPECT_EQ(MessagesGridTitles(texts),
              (std::vector<std::string>{"L232", "L233", "L234", "L257", "L235", "L236", "L226"}));
    TMonitorData m;
    m.Number = 3;
    m.Text = "Gate";
    m.Size = 14;
    EXPECT_EQ(MessagesGridCell(m, kMsgNumber, texts), "3");
    EXPECT_EQ(MessagesGridCell(m, kMsgText, texts), "Gate");
    EXPECT_EQ(MessagesGridCell(m, kMsgColor, texts), "");
    EXPECT_EQ(MessagesGridCell(m, kMsgSize, texts), "14");
    EXPECT_EQ(MessagesGridCell(m, kMsgBlink, texts), "-");
    EXPECT_EQ(MessagesGridCell(m, kMsgSound, texts), "-");
    EXPECT_EQ(MessagesGridCell(m, kMsgWindow, texts), "-");
    m.Blink = true;
    EXPECT_EQ(MessagesGridCell(m, kMsgBlink, texts), "L228");
    const std::pair<int, std::string> sounds[] = {{1, "L260"}, {2, "L261"}, {3, "L262"},
                                                  {4, "L263"}, {5, "L265"}, {7, "-"}};
    for (const auto& [s, text] : sounds) {
        m.Sound = s;
        EXPECT_EQ(MessagesGridCell(m, kMsgSound, texts), text);
    }
    m.Sound = 6;
    m.SoundFile = "C:\\Sounds\\Ring.wav";
    EXPECT_EQ(MessagesGridCell(m, kMsgSound, texts), "Ring.wav");
    m.ShowWindow = true;
    EXPECT_EQ(MessagesGridCell(m, kMsgWindow, texts), "L228");
    m.Picture = "/home/u/pics/gate.jpg";
    EXPECT_EQ(MessagesGridCell(m, kMsgWindow, texts), "gate.jpg");
}

TEST(MessagesGrid, StableSortInBothDirections) {
    std::vector<TMonitorData> m(5);
    const char* names[] = {"b", "a", "B", "b", "\xE9"};
    const int sizes[] = {8, 12, 8, 10, 12};
    for (int i = 0; i < 5; ++i) {
        m[i].Number = i + 1;
        m[i].Text = names[i];
        m[i].Size = sizes[i];
        m[i].Blink = i % 2;
    }
    using V = std::vector<int>;
    EXPECT_EQ(SortedMessages(m, {kMsgNumber, false}), (V{4, 3, 2, 1, 0}));
    EXPECT_EQ(SortedMessages(m, {kMsgText, true}), (V{2, 1, 0, 3, 4}));  // character codes
    EXPECT_EQ(SortedMessages(m, {kMsgText, false}), (V{4, 0, 3, 1, 2}));
    EXPECT_EQ(SortedMessages(m, {kMsgSize, true}), (V{0, 2, 3, 1, 4}));
    EXPECT_EQ(SortedMessages(m, {kMsgSize, false}), (V{1, 4, 3, 0, 2}));  // equal keys in order
    EXPECT_EQ(SortedMessages(m, {kMsgBlink, false}), (V{1, 3, 0, 2, 4}));
    EXPECT_EQ(SortedMessages(m, {9, false}), (V{0, 1, 2, 3, 4}));

    TMonitorSort s;
    s.Press(3);
    EXPECT_EQ(s.column, 3);
    EXPECT_TRUE(s.ascending);
    s.Press(3);
    EXPECT_FALSE(s.ascending);
    s.Press(1);
    EXPECT_TRUE(s.ascending);
}

TEST(EventGrid, FixedColumnsThenTheVisibleUserFields) {
    const TTextTable texts = test::NumberedTexts();
    const std::vector<TUserColumn> users = {{0, "No."}, {2, "Flat"}};
    EXPECT_EQ(EventGridTitles(texts, users),
              (std::vector<std::string>{"L28", "L29", "No.", "Flat"}));
    TEvent e("x012345", "A=0,B=1");
    e.UserNumber = 17;
    e.User = {"a", "b", "c", "d"};
    EXPECT_EQ(EventGridCell(e, 0, users), "x012345");
    EXPECT_EQ(EventGridCell(e, 1, users), "A=0,B=1");
    EXPECT_EQ(EventGridCell(e, 2, users), "17");
    EXPECT_EQ(EventGridCell(e, 3, users), "b");
    EXPECT_EQ(EventGridCell(e, 4, users), "");
    EXPECT_EQ(AllUserColumns({"n", "1", "2", "3", "4"}).size(), 5u);
    const std::vector<TUserColumn> shown =
        UserColumnsOf({false, true, false, true, true}, {"n", "1", "2", "3", "4"});
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(std::pair(shown[0].field, shown[0].title), std::pair(1, std::string("1")));
    EXPECT_EQ(std::pair(shown[2].field, shown[2].title), std::pair(4, std::string("4")));
}

TEST(TransmitterPages, ColumnsAndWhenTheyAreOffered) {
    // A File view whose code and button columns were dragged.
    const TColumnLayout file = BuildColumnLayout(ParseLayoutList("0,7,0,3,8,1,"), 5);
    TAppState none, loggedIn, document;
    loggedIn.LoggedIn = true;
    document.DocumentOpen = true;
    const struct {
        TPage page;
        TTransmitterColumns at;
        bool withNone, withLogin, withDocument;
    } cases[] = {
        {TPage::Memory, {1, 2}, false, true, false},
        {TPage::File, {4, 2}, false, false, true},
        {TPage::History, {0, 1}, true, true, true},
        {TPage::Battery, {-1, -1}, false, false, false},
        {TPage::Monitoring, {-1, -1}, false, false, false},
    };
    for (const auto& c : cases) {
        const int page = static_cast<int>(c.page);
        EXPECT_EQ(TransmitterColumnsOn(c.page, file), c.at) << page;
        EXPECT_EQ(TransmittersOffered(c.page, none), c.withNone) << page;
        EXPECT_EQ(TransmittersOffered(c.page, loggedIn), c.withLogin) << page;
        EXPECT_EQ(TransmittersOffered(c.page, document), c.withDocument) << page;
    }
}

TEST(MessageList, CellsColoursAndBlinking) {
    const TTextTable texts = test::NumberedTexts();
    EXPECT_EQ(MessageListTitles(texts), (std::vector<std::string>{"", "L232", "L233", "L239"}));
    TMonitorData m;
    m.Number = 2;
    m.Text = "Flood";
    m.ActivatedAt = {2024, 1, 2, 0, 0, 0};
    EXPECT_EQ(MessageListCell(m, kListMark), "");
    EXPECT_EQ(MessageListCell(m, kListNumber), "2");
    EXPECT_EQ(MessageListCell(m, kListActivated), "02.01.2024");  // midnight: the date alone
    m.ActivatedAt.Second = 5;
    EXPECT_EQ(MessageListCell(m, kListActivated), "02.01.2024 00:00:05");

    m.Color = 2;
    m.Size = 16;
    EXPECT_EQ(LookOf(m, true), (TMessageLook{{0, 0, 255}, {255, 255, 0}, 16, 28}));  // no blink
    m.Blink = true;
    EXPECT_EQ(LookOf(m, false), (TMessageLook{{0, 0, 255}, {255, 255, 0}, 16, 28}));
    EXPECT_EQ(LookOf(m, true), (TMessageLook{{0, 0, 0}, {0, 0, 255}, 16, 28}));
    m.Color = 6;  // black turns white with black text
    EXPECT_EQ(LookOf(m, true), (TMessageLook{{255, 255, 255}, {0, 0, 0}, 16, 28}));
    m.Size = 0;  // a short line of a file: shown at 8 points
    EXPECT_EQ(LookOf(m, false).fontSize, 8);
    EXPECT_EQ(LookOf(m, false).rowHeight, 20);
    EXPECT_EQ(DisplayFontSize(100000), 400);
}

}  // namespace
}  // namespace ravlin
