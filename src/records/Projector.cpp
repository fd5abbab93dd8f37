#include "records/Projector.h"

#include <algorithm>
#include <cctype>

#include "base/Hex.h"

namespace ravlin {

namespace {

// The byte at 1-based digits `at`, `at` + 1; -1 when it is not there or not hexadecimal.
int ByteAt(const std::string& extra, size_t at) {
    return at < 1 ? -1 : HexByteAt(extra, at - 1);
}

void PutByte(std::string& extra, size_t at, int value) {
    extra[at - 1] = HexDigitChar(static_cast<unsigned>(value) >> 4);
    extra[at] = HexDigitChar(static_cast<unsigned>(value));
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// First command digit relative to the slot's start b.
size_t CommandOffset(const std::string& typeName) {
    return HasDelay(typeName) ? 12 : 10;
}

// Reads slot `n` (1-based) of `extra` into the page with slot size page.slotSize.
void ReadSlot(TProjectorPage& page, int n, const std::string& extra, const TTextTable& texts) {
    TCommandSlot& slot = page.commandSlots[static_cast<size_t>(n - 1)];
    slot = TCommandSlot{};
    const size_t g = static_cast<size_t>(page.slotSize);
    const size_t b = static_cast<size_t>(n - 1) * g + 4;
    if (extra.size() < static_cast<size_t>(n) * g + 3) {
        if (n == 1) {
            page.dataBits = "8";
            page.speed = "9600";
            page.parity = "-";
        }
        return;
    }
    const int length = ByteAt(extra, b);
    if (length < 0) return;
    // Slot 1 of the five types keeps the sequence in bits 6-7; the others count whole.
    int count = (n == 1 && page.typeName != "KV1M2") ? (length & 0x3F) : length;
    // A count beyond the slot would read the next slot's digits as commands.
    count = std::min(count, SlotCapacity(page.typeName, page.slotSize));
    const int repeat = ByteAt(extra, b + 2);
    if (count > 0) {
        const size_t first = b + CommandOffset(page.typeName);
        slot.command = DigitsToCommandText(extra.substr(first - 1, static_cast<size_t>(count) * 2));
    } else {
        slot.direct = repeat > 0;
    }
    slot.repeat = std::clamp(repeat - 1, 0, 126);
    if (HasDelay(page.typeName))
        slot.delay = std::clamp(std::max(ByteAt(extra, b + 10), 0) / 10, 0, 25);
    if (n != 1) return;
    const std::string code = extra.substr(b + 3, 4);
    page.speed = "9600";
    for (const TBaudRate& rate : BaudRates())
        if (code == rate.code) page.speed = rate.text;
    page.dataBits = extra[b + 8] == '7' ? "7" : "8";
    const std::vector<std::string> parities = ParityItems(texts);
    const char parity = extra[b + 7];
    page.parity = parity == '1' ? parities[1] : parity == '2' ? parities[2] : parities[0];
}

// Steps common to every slot once its line settings and repeat byte stand: the command
// digits, the length byte. False (after CommandTooLong) when the command does not fit.
bool WriteCommand(TProjectorPage& page, int n, std::string& extra, const TTextTable& texts,
                  TUserInterface& ui, TSlotError* error) {
    const TCommandSlot& slot = page.commandSlots[static_cast<size_t>(n - 1)];
    const size_t g = static_cast<size_t>(page.slotSize);
    const size_t b = static_cast<size_t>(n - 1) * g + 4;
    const size_t first = b + CommandOffset(page.typeName);
    const size_t end = static_cast<size_t>(n) * g + 4;
    for (size_t i = first; i <= end; ++i) extra[i - 1] = '0';
    // The sequence belongs to the record: it stays in slot 1 also without command bytes.
    const int sequence =
        n == 1 && HasSequence(page.typeName) ? (std::clamp(page.sequence, 0, 3) << 6) : 0;
    if (slot.direct) {
        PutByte(extra, b, sequence);
        return true;
    }
    if (slot.command.empty()) {
        PutByte(extra, b, sequence);
        PutByte(extra, b + 2, 0);
        return true;
    }
    const std::string digits = CommandTextToDigits(slot.command);
    const int bytes = static_cast<int>(digits.size() / 2);
    if (bytes > SlotCapacity(page.typeName, page.slotSize)) {
        ui.Error(TMessage::Lang(texts, Text::CommandTooLong));
        if (error) *error = {n - 1, true};
        return false;
    }
    extra.replace(first - 1, digits.size(), digits);
    PutByte(extra, b, bytes | sequence);
    return true;
}

bool WriteSlot(TProjectorPage& page, int n, std::string& extra, const TTextTable& texts,
               TUserInterface& ui, TSlotError* error) {
    const TCommandSlot& slot = page.commandSlots[static_cast<size_t>(n - 1)];
    const size_t g = static_cast<size_t>(page.slotSize);
    const size_t b = static_cast<size_t>(n - 1) * g + 4;
    // Digits beyond the slots (a longer field) keep their content.
    const size_t needed = static_cast<size_t>(n) * g + 4;
    if (extra.size() < needed) extra.resize(needed, '0');
    if (n == 1) {
        const TBaudRate* rate = nullptr;
        for (const TBaudRate& r : BaudRates())
            if (page.speed == r.text) rate = &r;
        if (!rate) {
            ui.Error(TMessage::Lang(texts, Text::BadBaudRate));
            if (error) *error = {0, false};
            return false;
        }
        extra.replace(b + 3, 4, rate->code);
        if (page.dataBits != "7" && page.dataBits != "8") {
            ui.Error(TMessage::Lang(texts, Text::BadDataBits));
            if (error) *error = {0, false};
            return false;
        }
        extra[b + 8] = page.dataBits[0];
        const std::vector<std::string> parities = ParityItems(texts);
        int parity = -1;
        for (size_t i = 0; i < parities.size() && parity < 0; ++i)
            if (SameIgnoringCase(page.parity, parities[i])) parity = static_cast<int>(i);
        if (parity < 0) {
            ui.Error(TMessage::Lang(texts, Text::BadParity));
            if (error) *error = {0, false};
            return false;
        }
        extra[b + 7] = static_cast<char>('0' + parity);
    } else {
        // The line settings of slot 1 (digits 8-13) hold for every slot.
        extra.replace(b + 3, 6, extra.substr(7, 6));
    }
    PutByte(extra, b + 2, std::clamp(slot.repeat, 0, 126) + 1);
    if (HasDelay(page.typeName)) PutByte(extra, b + 10, std::clamp(slot.delay, 0, 25) * 10);
    return WriteCommand(page, n, extra, texts, ui, error);
}

}  // namespace

bool HasCommandSlots(const std::string& typeName) {
    return typeName == "KV1M2" || typeName == "KV1K" || typeName == "KV1M" || typeName == "KV8M" ||
           typeName == "KV1W" || typeName == "KV1M3";
}

bool HasSequence(const std::string& typeName) {
    return typeName == "KV1W" || typeName == "KV1M3";
}

bool HasDelay(const std::string& typeName) {
    return typeName == "KV1M3";
}

bool IsTwoSlotPair(const std::string& output, const std::string& button) {
    return (output == "E0" && button == "A") || (output == "0E" && button == "5") ||
           (output == "66" && button == "F");
}

const std::array<TBaudRate, 12>& BaudRates() {
    static const std::array<TBaudRate, 12> rates{{{"600", "2FF0"},
                                                  {"1200", "17F0"},
                                                  {"2400", "0BF0"},
                                                  {"4800", "05F0"},
                                                  {"9600", "02F0"},
                                                  {"14400", "01F0"},
                                                  {"19200", "0170"},
                                                  {"28800", "00F0"},
                                                  {"38400", "00B0"},
                                                  {"56000", "0073"},
                                                  {"57600", "0070"},
                                                  {"115200", "0030"}}};
    return rates;
}

std::string CommandTextToDigits(const std::string& text) {
    std::string digits;
    digits.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '$' && i + 1 < text.size() && text[i + 1] == '$') {
            digits += "24";
            ++i;
            continue;
        }
        // Only hex digits are taken as a byte: anything else would put a character into
        // the hex image that no receiver can read.
        if (c == '$' && i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2])) {
            digits += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
            digits += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 2])));
            i += 2;
            continue;
        }
        AppendHexByte(digits, static_cast<unsigned char>(c));
    }
    return digits;
}

std::string DigitsToCommandText(const std::string& digits) {
    std::string text;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        const int byte = HexByteAt(digits, i);
        if (byte == '$') {
            text += "$$";
        } else if (byte >= 32) {
            text += static_cast<char>(byte);
        } else {
            text += '$';
            text += digits[i];
            text += digits[i + 1];
        }
    }
    return text;
}

int SlotCapacity(const std::string& typeName, int slotSize) {
    const int first = HasDelay(typeName) ? 16 : 14;
    return std::max(0, (slotSize + 4 - first) / 2);
}

std::vector<std::string> ParityItems(const TTextTable& texts) {
    return {"-", TextAt(texts, Text::ParityEven), TextAt(texts, Text::ParityOdd)};
}

void SetUpProjectorPage(TProjectorPage& page, const std::string& typeName, const TData& record,
                        const TTextTable& texts) {
    page = TProjectorPage{};
    page.typeName = typeName;
    if (!HasCommandSlots(typeName)) return;
    page.active = true;
    page.sequenceShown = HasSequence(typeName);
    if (page.sequenceShown) page.sequence = std::max(ByteAt(record.Extra, 4), 0) >> 6;
    if (typeName == "KV1M2") {
        page.slotSize = 124;
        page.slotsShown = 4;
    } else if (IsTwoSlotPair(record.Output, record.Button)) {
        page.slotSize = 48;
        page.slotsShown = 2;
    } else {
        page.slotSize = 96;
        page.slotsShown = 1;
    }
    page.delayShown = HasDelay(typeName);
    for (int n = 1; n <= page.slotsShown; ++n) ReadSlot(page, n, record.Extra, texts);
}

void LayOutSlots(TProjectorPage& page, const std::string& output, const std::string& button) {
    if (!page.active || page.typeName == "KV1M2") return;
    const bool two = IsTwoSlotPair(output, button);
    page.slotsShown = two ? 2 : 1;
    page.slotSize = two ? 48 : 96;
}

bool CompactCommands(TProjectorPage& page) {
    if (!page.active || page.typeName != "KV1M2") return false;
    bool moved = false;
    for (size_t n = 0; n < 3; ++n) {
        TCommandSlot& slot = page.commandSlots[n];
        TCommandSlot& next = page.commandSlots[n + 1];
        if (!slot.command.empty() || slot.direct) continue;
        if (next.command.empty() && !next.direct) continue;
        // The repeat count belongs to its command and moves with it.
        slot.command = std::move(next.command);
        slot.direct = next.direct;
        slot.repeat = next.repeat;
        next.command.clear();
        next.direct = false;
        next.repeat = 0;
        moved = true;
    }
    return moved;
}

bool WriteProjectorPage(TProjectorPage& page, std::string& extra, const TTextTable& texts,
                        TUserInterface& ui, TSlotError* error) {
    if (!page.active) return true;
    for (int i = 0; i < 3; ++i) CompactCommands(page);
    std::string written = extra;
    for (int n = 1; n <= page.slotsShown; ++n)
        if (!WriteSlot(page, n, written, texts, ui, error)) return false;
    extra = std::move(written);
    return true;
}

}  // namespace ravlin
