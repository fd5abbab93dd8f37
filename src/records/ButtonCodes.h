#pragma once
// Button digits of a reception or a record: the input code texts of input transmitters
// and the two ways a button code is matched against another.

#include <string>

namespace ravlin {

// A transmitter code beginning with "A" belongs to an input transmitter: its button digit
// reports the state of its two inputs.
inline bool IsInputTransmitter(const std::string& code) {
    return !code.empty() && code[0] == 'A';
}

// "3" "A=0,B=0", "6" "A=1,B=0", "9" "A=0,B=1", "C" "A=1,B=1", "F" "Ini"; any other text
// is returned unchanged.
std::string InputCodeText(const std::string& digit);

// The button-set match of monitor events: equal texts match, texts of different length
// do not; otherwise both must be hexadecimal numbers of at most 8 digits, and the match
// is the flag cascade (for one digit: the two share a set bit).
bool ButtonsMatch(const std::string& a, const std::string& b);  // original name: TlacitkaSouhlasi

// The match by which history entries find their record's user information: the flag
// cascade alone, without the equality test first. "0" matches nothing, "05" matches "5",
// and an input code text (not a number) matches nothing.
bool HistoryButtonMatch(const std::string& a, const std::string& b);

}  // namespace ravlin
