#pragma once
// Serial-port command slots ("Projector Control"): the receiver types that drive an RS-232
// line keep, in a record's Extra, up to four byte strings with their line settings. This
// is the editor page's model without its window: reading the slots of a record into the
// page, the page's rules, and writing the page back into Extra.
//
// Layout of Extra (digit positions from 1): slot n of size g starts at b = (n - 1) * g + 4.
//   b, b+1     length byte (slot 1 of "KV1W"/"KV1M3": bits 6-7 the sequence, 0-5 the count)
//   b+2, b+3   repeat count + 1; 0 when the slot is unused
//   b+4..b+7   baud rate code          b+8  parity 0/1/2        b+9  data bits 7/8
//   b+10, b+11 "KV1M3" only: delay in tenths of a second
//   then the command bytes, then "0" to the end of the slot; digit k * g + 4 is "0".
//
// Messages (error boxes, Text::...): CommandTooLong, BadParity, BadDataBits, BadBaudRate.

#include <array>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "records/Data.h"

namespace ravlin {

// Receiver types with command slots: "KV1M2" (four slots of 124 digits), and the five
// types "KV1K", "KV1M", "KV8M", "KV1W", "KV1M3" (one slot of 96 digits, or two of 48 for
// the two-command functions).
bool HasCommandSlots(const std::string& typeName);
// The types whose slot 1 carries a sequence number in bits 6-7 of its length byte.
bool HasSequence(const std::string& typeName);
// "KV1M3": a delay byte before the command bytes.
bool HasDelay(const std::string& typeName);
// A record of the five types with two commands: (Output, Button) is ("E0", "A"),
// ("0E", "5") or ("66", "F").
bool IsTwoSlotPair(const std::string& output, const std::string& button);

struct TBaudRate {
    const char* text;
    const char* code;
};
// The twelve baud rates of the page, slowest first, with their four-digit codes.
const std::array<TBaudRate, 12>& BaudRates();

// Command text as typed: every character one byte, "$$" one "$", "$" and two hex digits
// one byte of those digits. A "$" that is followed by fewer than two characters, or by two
// that are not hex digits, is an ordinary "$". Result: two upper-case hex digits per byte.
std::string CommandTextToDigits(const std::string& text);
// The command text of `count` bytes read from hex digits: a byte of 32 or more as its
// character ("$" doubled, so the text reads back to the same bytes), a lower byte as "$"
// and its two digits.
std::string DigitsToCommandText(const std::string& digits);

struct TCommandSlot {
    std::string command;  // CommandEdit: the text as typed
    bool direct = false;  // ProjCodeBox: direct code transmission
    int repeat = 0;       // ProjRepeatEdit, 0..126
    int delay = 0;        // ProjDelayEdit, 0..25 seconds ("KV1M3")
    bool operator==(const TCommandSlot&) const = default;
};

// The page's controls. The parity text is one of the three list items ("-", Text::ParityEven
// "even", ParityOdd "odd"); speed and data bits are list texts too. All three lists are
// editable, so any text may stand in them; the writer refuses what is not an item.
struct TProjectorPage {
    bool active = false;  // set up: the receiver type has command slots
    std::string typeName;
    int slotSize = 96;   // g, in hex digits
    int slotsShown = 0;  // slots 1..slotsShown are shown
    bool delayShown = false;
    bool sequenceShown = false;
    std::array<TCommandSlot, 4> commandSlots;
    std::string speed = "9600";
    std::string dataBits = "8";
    std::string parity = "-";
    int sequence = 0;  // GroupCombo index 0..3, shown as "1".."4"
    bool operator==(const TProjectorPage&) const = default;
};

// Most command bytes a slot of `slotSize` digits holds for the type: 19 / 43 / 57 (18 / 42
// for "KV1M3").
int SlotCapacity(const std::string& typeName, int slotSize);

// The parity list: "-", then Text::ParityEven and ParityOdd.
std::vector<std::string> ParityItems(const TTextTable& texts);

// Sets the page up for the receiver type and reads the record's slots: "KV1M2" four slots
// of 124 digits; the five types two slots of 48 or one of 96 by the record's stored Output
// and Button; every other type leaves the page inactive.
void SetUpProjectorPage(TProjectorPage& page, const std::string& typeName, const TData& record,
                        const TTextTable& texts);
// The layout for the function and button now chosen in the editor (switching to the page,
// and at confirmation): two slots of 48 or one of 96. The slots are not read again.
// Nothing for "KV1M2" and inactive pages.
void LayOutSlots(TProjectorPage& page, const std::string& output, const std::string& button);

// "KV1M2": an empty command box that is not disabled by its direct code tick takes the
// command, the tick and the repeat count of the slot below it (one pass over slots 1-3).
// Returns true when something moved.
bool CompactCommands(TProjectorPage& page);

// Which slot the writer refused (0-based), for the window to focus its command box.
struct TSlotError {
    int slot = -1;
    bool command = false;  // the command text was too long (select it whole)
};

// Writes the shown slots into `extra` ("KV1M2": compacts three times first). Nothing is
// written for an inactive page. False after the message of the first refusal; `extra` is
// then unchanged.
bool WriteProjectorPage(TProjectorPage& page, std::string& extra, const TTextTable& texts,
                        TUserInterface& ui, TSlotError* error = nullptr);

}  // namespace ravlin
