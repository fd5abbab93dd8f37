#include "monitoring/MonitorView.h"

#include <algorithm>

#include "monitoring/AlarmLog.h"

namespace ravlin {

namespace {

// The sound column's text of choices 1..5.
constexpr Text kSoundTexts[] = {Text::None,       Text::ShortBeep,  Text::LongBeep,
                                Text::TripleBeep, Text::AlarmSound, Text::PermanentAlarm};

// Number key of a column; the text column compares separately.
long long NumberKey(const TMonitorData& m, int column) {
    switch (column) {
        case kMsgNumber:
            return m.Number;
        case kMsgColor:
            return m.Color;
        case kMsgSize:
            return m.Size;
        case kMsgBlink:
            return m.Blink;
        case kMsgSound:
            return m.Sound;
        case kMsgWindow:
            return m.ShowWindow;
    }
    return 0;
}

// Character codes, as unsigned bytes.
int CompareText(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

void TMonitorSort::Press(int col) {
    if (col == column) {
        ascending = !ascending;
    } else {
        column = col;
        ascending = true;
    }
}

std::vector<std::string> MessagesGridTitles(const TTextTable& texts) {
    return {TextAt(texts, Text::MessageCaption), TextAt(texts, Text::MessageText),
            TextAt(texts, Text::MessageColour),  TextAt(texts, Text::PictureSize),
            TextAt(texts, Text::Blink),          TextAt(texts, Text::Sound),
            TextAt(texts, Text::Window)};
}

std::vector<int> SortedMessages(const std::vector<TMonitorData>& messages,
                                const TMonitorSort& sort) {
    std::vector<int> order(messages.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    if (sort.column < 0 || sort.column >= kMessagesGridColumns) return order;
    const int col = sort.column;
    const auto compare = [&](int x, int y) {
        const TMonitorData& a = messages[x];
        const TMonitorData& b = messages[y];
        int c;
        if (col == kMsgText) {
            c = CompareText(a.Text, b.Text);
        } else {
            const long long ka = NumberKey(a, col), kb = NumberKey(b, col);
            c = ka < kb ? -1 : (ka > kb ? 1 : 0);
        }
        return sort.ascending ? c < 0 : c > 0;
    };
    std::stable_sort(order.begin(), order.end(), compare);
    return order;
}

std::string FileNamePart(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string MessagesGridCell(const TMonitorData& m, int column, const TTextTable& texts) {
    switch (column) {
        case kMsgNumber:
            return std::to_string(m.Number);
        case kMsgText:
            return m.Text;
        case kMsgColor:
            return {};
        case kMsgSize:
            return std::to_string(m.Size);
        case kMsgBlink:
            return m.Blink ? TextAt(texts, Text::Yes) : "-";
        case kMsgSound:
            if (m.Sound >= 1 && m.Sound <= 5) return TextAt(texts, kSoundTexts[m.Sound]);
            if (m.Sound == 6) return FileNamePart(m.SoundFile);
            return "-";
        case kMsgWindow:
            if (!m.ShowWindow) return "-";
            return m.Picture.empty() ? TextAt(texts, Text::Yes) : FileNamePart(m.Picture);
    }
    return {};
}

std::vector<TUserColumn> AllUserColumns(const std::array<std::string, 5>& titles) {
    return UserColumnsOf({true, true, true, true, true}, titles);
}

std::vector<TUserColumn> UserColumnsOf(const std::array<bool, 5>& shown,
                                       const std::array<std::string, 5>& titles) {
    std::vector<TUserColumn> out;
    for (int i = 0; i < 5; ++i)
        if (shown[static_cast<size_t>(i)]) out.push_back({i, titles[static_cast<size_t>(i)]});
    return out;
}

std::vector<std::string> EventGridTitles(const TTextTable& texts,
                                         const std::vector<TUserColumn>& users) {
    std::vector<std::string> out = {TextAt(texts, Text::SerialColumn),
                                    TextAt(texts, Text::ButtonColumn)};
    for (const auto& u : users) out.push_back(u.title);
    return out;
}

std::string EventGridCell(const TEvent& e, int column, const std::vector<TUserColumn>& users) {
    if (column == kEvSerial) return e.Serial;
    if (column == kEvButtons) return e.Buttons;
    const int u = column - kEventFixedColumns;
    if (u < 0 || u >= static_cast<int>(users.size())) return {};
    const int field = users[u].field;
    if (field == 0) return std::to_string(e.UserNumber);
    if (field >= 1 && field <= 4) return e.User[field - 1];
    return {};
}

TTransmitterColumns TransmitterColumnsOn(TPage page, const TColumnLayout& fileLayout) {
    switch (page) {
        case TPage::Memory:
            return {1, 2};  // position, code, button, ...
        case TPage::File:
            return TransmitterColumnsOf(fileLayout);
        case TPage::History:
            return {0, 1};  // serial, button, ...
        default:
            return {};
    }
}

bool TransmittersOffered(TPage page, const TAppState& state) {
    switch (page) {
        case TPage::Memory:
            return state.LoggedIn;
        case TPage::File:
            return state.DocumentOpen;
        case TPage::History:
            return true;
        default:
            return false;
    }
}

std::vector<std::string> MessageListTitles(const TTextTable& texts) {
    return {std::string(), TextAt(texts, Text::MessageCaption), TextAt(texts, Text::MessageText),
            TextAt(texts, Text::Activated)};
}

std::string MessageListCell(const TMonitorData& m, int column) {
    switch (column) {
        case kListNumber:
            return m.Number > 0 ? std::to_string(m.Number) : std::string();
        case kListText:
            return m.Text;
        case kListActivated:
            return FormatDateTime(m.ActivatedAt, true);
    }
    return {};
}

TMonitorData TroubleRow(int color, const TDateTime& since) {
    TMonitorData row;
    row.Number = 0;
    row.Text = kLinkLostText;
    row.Color = color;
    row.Size = 12;
    row.Blink = true;
    row.ActivatedAt = since;
    return row;
}

int DisplayFontSize(int size) {
    if (size < 4) return 8;
    return std::min(size, 400);
}

TMessageLook LookOf(const TMonitorData& m, bool blinkPhase) {
    TMessageLook look;
    look.background = BackgroundColor(m.Color);
    look.text = TextColor(m.Color);
    if (m.Blink && blinkPhase) {
        const TRgb black{0, 0, 0}, white{255, 255, 255};
        if (look.background == black) {
            look.background = white;
            look.text = black;
        } else {
            look.text = look.background;
            look.background = black;
        }
    }
    look.fontSize = DisplayFontSize(m.Size);
    look.rowHeight = look.fontSize + 12;
    return look;
}

}  // namespace ravlin
