#pragma once
// The rules of the monitor editors, without their windows: the message editor's size
// field and the fields a monitor file cannot hold, the event editor's serial check, its
// transmitter types and its button code.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"

namespace ravlin {

// Font sizes offered by the message editor.
inline constexpr std::array<int, 9> kMessageSizes = {8, 10, 12, 14, 16, 18, 20, 22, 24};
// Longest repeat time the message editor accepts, in seconds.
inline constexpr int kMaxRepeatTime = 24 * 3600;

// The typed size: not a number, or below 4, gives 8; there is no upper limit.
int ParseMessageSize(const std::string& text);

// A field of a monitor file cannot hold "#" (it ends the field) or a line break.
bool FitsMonitorFile(const std::string& text);

// The serial check of the event editor. `typePrefix`: the chosen type's CodePrefix, empty
// when no type is chosen. Five hexadecimal digits get the prefix (or "x0"); seven
// characters beginning with "x" or "X" need six hexadecimal digits after it; other seven
// hexadecimal digits are taken as they are. Digits come out in upper case. nullopt: not a
// transmitter code (Text::BadTxCode).
std::optional<std::string> CheckEventSerial(const std::string& typed,
                                            const std::string& typePrefix);

// The transmitter catalogue as the event editor reads it: every type whose CodePrefix
// begins with "A" becomes an input type with the four inputs of an input transmitter.
bool LoadEventTxTypes(const std::string& dir, const std::string& fileName, std::vector<TTx>& types,
                      const TTextTable& texts, TUserInterface& ui);
void MakeInputTypes(std::vector<TTx>& types);

// Index of the first type whose CodePrefix begins with the serial's first character, or -1.
int TypeForSerial(const std::vector<TTx>& types, const std::string& serial);
// Index of the type named `name`, or -1.
int TypeNamed(const std::vector<TTx>& types, const std::string& name);

// The value of a one-character hexadecimal button code; 0 for anything else.
int ButtonDigitValue(const std::string& text);
// The four check boxes for a button code value: weights 8, 4, 2, 1.
std::array<bool, 4> TicksOfValue(int v);
// The button code of ticked buttons: the sum of their catalogue Values in hexadecimal
// (upper case, no leading zeros, at least one digit).
std::string ButtonsOfTicks(const TTx& type, const std::array<bool, 4>& ticked);
std::string HexText(int value);

}  // namespace ravlin
