#pragma once
// TFunctionTable: the function table of one receiver type, read from "RxFnc" + language + ".def".
// It turns output codes into function names and back, formats times and channel masks,
// and holds the check and set rules that the record editor applies on confirmation.
//
// Messages: Text::CannotOpen or WrongFormat, each + " - " + file name.

#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "records/Data.h"

namespace ravlin {

// One check or set rule. A map is a run of three-character groups: a field letter
// (S, B, O, K, T, E) and a two-digit position from 1.
struct TFunctionRule {  // original name: TKontrola
    std::string SourceMap, TargetMap;
    std::vector<std::string> Keys, Values;
};

class TFunctionTable {  // original name: TRxFnc
  public:
    TFunctionTable(std::string dataDir, const TTextTable& texts, TUserInterface& ui);

    // The function table file of the current language (TLanguage::FunctionTableFile()).
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
    const std::string& FileName() const { return fileName_; }
    const std::string& DataDir() const { return dataDir_; }

    // Reads the section `name`. True also when the file has no such section: the previous
    // content then stays (only RxName changes). On false (file missing, wrong format) every
    // field except RxName keeps the content it had before the call.
    bool LoadFunctionTable(const std::string& name);
    // The same over text in memory (fuzzing, tests); messages name FileName().
    bool LoadFunctionTableText(const std::string& text, const std::string& name);

    // Combined mode: the name of output code `code`, "?" when unknown or in relay mode.
    std::string FunctionName(const std::string& code) const;
    // Relay mode: the name of the whole output code (the same for every relay), "?" when
    // unknown or in combined mode.
    std::string RelayFunctionName(int relay, const std::string& code) const;
    // Code of a function name; false when unknown or in the other mode.
    bool FunctionCode(const std::string& name, std::string& code) const;
    bool RelayFunctionCode(const std::string& name, std::string& code) const;

    // Combined mode: digits 1-4 as "m:ss,mmm" (see FormatTime); "?" in relay mode.
    std::string TimeText(const std::string& time) const;
    // Relay mode: digits 4r-3 .. 4r; "?" in combined mode or when the relay has no digits.
    std::string RelayTimeText(int relay, const std::string& time) const;
    // Combined mode: four upper-case hex digits of `value` (units of 100 ms, limited to
    // 0..65535); relay mode leaves `time` unchanged.
    void TimeCode(int value, std::string& time) const;
    // Relay mode: digits 4r-3 .. 4r of `time` become the four hex digits of `value` (limited
    // to 0..65535); digits beyond the end of `time` are not added. Combined mode: no change.
    void SetRelayTime(int relay, int value, std::string& time) const;
    // "-" for "00"; otherwise the set bits as channel numbers ("1, 3"); empty when no bit
    // is set, the mask is longer than eight digits or holds a non-hex character.
    static std::string ChannelsText(const std::string& mask);
    // Time text of up to four hex digits in units of 100 ms (non-hex digits count as 0).
    static std::string FormatTime(const std::string& digits);

    // The check rules on a record as it will be stored; true when it may be stored.
    bool Check(const TData& record) const;
    // The set rules: fill dependent digits of a record that passed Check.
    void ApplySetRules(TData& record) const;

    bool IsRelayMode() const { return SingleRelay > 0; }

    std::string RxName;
    int SingleRelay = 0;
    std::vector<std::string> Functions;
    int TimeIndex = 0;
    std::vector<std::string> DecoderKeys;
    std::vector<std::string> DecoderValues;
    int CheckCount = 0;
    std::vector<TFunctionRule> CheckRules;
    int SetCount = 0;
    std::vector<TFunctionRule> SetRules;
    int RecordCount = 0;

  private:
    std::string dataDir_;
    const TTextTable& texts_;
    TUserInterface& ui_;
    std::string fileName_ = "RxFncUS.def";
};

}  // namespace ravlin
