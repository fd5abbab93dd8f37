#pragma once
// What the monitor's grids show, without windows: the messages grid of the Monitoring
// page (seven columns, sortable), the Active and Deactive event grids, and the message
// list of monitor mode with its colours and blinking.

#include <array>
#include <string>
#include <vector>

#include "base/Pages.h"
#include "base/UserInterface.h"
#include "document/AppState.h"
#include "monitoring/MonitorData.h"
#include "views/FileView.h"

namespace ravlin {

// ---- messages grid ----------------------------------------------------------------------

enum TMessagesColumn {
    kMsgNumber = 0,
    kMsgText,
    kMsgColor,  // painted as a swatch, no text
    kMsgSize,
    kMsgBlink,
    kMsgSound,
    kMsgWindow,
    kMessagesGridColumns
};

// Sort column and direction of the messages grid (settings MonitorSortCol, MonitorSortUp).
struct TMonitorSort {
    int column = 0;
    bool ascending = true;
    // A press on a column title: that column ascending, or the other direction when it
    // already is the sort column.
    void Press(int col);
};

std::vector<std::string> MessagesGridTitles(const TTextTable& texts);
// Message indexes in grid order: a stable sort by the column's key (numbers, flags, or
// the text by character codes); equal keys keep set-up order in both directions. An
// unknown column keeps set-up order.
std::vector<int> SortedMessages(const std::vector<TMonitorData>& messages,
                                const TMonitorSort& sort);
std::string MessagesGridCell(const TMonitorData& m, int column, const TTextTable& texts);

// The file name of a path (after the last "/" or "\").
std::string FileNamePart(const std::string& path);

// ---- event grids ------------------------------------------------------------------------

enum TEventColumn { kEvSerial = 0, kEvButtons, kEventFixedColumns };

// One user information column: field 0 is the user number, 1..4 the user texts.
struct TUserColumn {
    int field = 0;
    std::string title;
};
// All five, with the titles of the user number and User 1 to User 4.
std::vector<TUserColumn> AllUserColumns(const std::array<std::string, 5>& titles);
// Those of the five that `shown` marks, in that order.
std::vector<TUserColumn> UserColumnsOf(const std::array<bool, 5>& shown,
                                       const std::array<std::string, 5>& titles);

std::vector<std::string> EventGridTitles(const TTextTable& texts,
                                         const std::vector<TUserColumn>& users);
std::string EventGridCell(const TEvent& e, int column, const std::vector<TUserColumn>& users);

// ---- the pages the transmitter-adding window takes transmitters from -----------------------

// The columns of the transmitter code and the button in a page's rows: the Memory view's
// fixed ones, the File view's by its layout, the history's first two; none elsewhere.
TTransmitterColumns TransmitterColumnsOn(TPage page, const TColumnLayout& fileLayout);
// Whether a page shows transmitters to take: the Memory view once a receiver is logged in,
// the File view while a document is open, the history always.
bool TransmittersOffered(TPage page, const TAppState& state);

// ---- message list of monitor mode ----------------------------------------------------------

enum TListColumn { kListMark = 0, kListNumber, kListText, kListActivated, kListColumns };

std::vector<std::string> MessageListTitles(const TTextTable& texts);
// Column 0 is the check box and has no text; a row without a number (the trouble row)
// shows none.
std::string MessageListCell(const TMonitorData& m, int column);
// The trouble row of a lost link, shown above the alarms as a message of its own: its
// text, the time the link was lost, the trouble's colour index, blinking.
TMonitorData TroubleRow(int color, const TDateTime& since);

// Colours and font of an active message's row and pop-up window. While it blinks and the
// blink phase is on, a row that is not black turns black with the text in its background
// colour, and a black one white with black text.
struct TMessageLook {
    TRgb background;
    TRgb text;
    int fontSize = 8;
    int rowHeight = 20;  // font size + 12
    bool operator==(const TMessageLook&) const = default;
};
TMessageLook LookOf(const TMonitorData& m, bool blinkPhase);
// The point size the windows use for a stored size: sizes below 4 show as 8, and no text
// is drawn larger than 400 points.
int DisplayFontSize(int size);

}  // namespace ravlin
