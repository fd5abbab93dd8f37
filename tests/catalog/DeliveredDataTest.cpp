// Consistency of the delivered catalogues and function tables in data/.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "RecordingUi.h"
#include "catalog/Catalog.h"
#include "catalog/FunctionTable.h"

namespace ravlin {
namespace {

using test::TRecordingUi;

const std::string kData = RAVLIN_TEST_DATA_DIR;
const char* const kFunctionTables[] = {"RxFncUS.def", "RxFncDE.def"};

TTextTable NumberedTexts() {
    TTextTable texts;
    for (int i = 0; i < 300; ++i) texts.push_back("Text" + std::to_string(i));
    return texts;
}

std::string ReadFile(const std::string& name) {
    std::string text;
    EXPECT_TRUE(catalog_detail::ReadWholeFile(kData + "/" + name, text)) << name;
    return text;
}

// Name lines of Rx.def, taken independently of the reader under test.
std::vector<std::string> RxNames() {
    std::vector<std::string> names;
    bool atName = true;
    for (const auto& line : catalog_detail::SplitLines(ReadFile("Rx.def"))) {
        if (atName) names.push_back(line);
        atName = line == "#E";
    }
    return names;
}

struct TGroupRef {
    char letter;
    int position;
};

std::vector<TGroupRef> MapGroups(const std::string& map) {
    std::vector<TGroupRef> groups;
    for (size_t i = 0; i + 4 <= map.size(); i += 4) {
        int p = -1;
        EXPECT_TRUE(catalog_detail::ParseInt(map.substr(i + 1, 3), p)) << map.substr(i, 4);
        groups.push_back({map[i], p});
    }
    return groups;
}

// The codec's digit distribution, written out here so the data is checked on its own.
std::map<char, std::string> Decode(const std::string& raw, const std::string& map) {
    std::map<char, std::string> fields;
    const auto groups = MapGroups(map);
    for (size_t j = 0; j < groups.size(); ++j) {
        std::string& field = fields[groups[j].letter];
        if (field.size() < static_cast<size_t>(groups[j].position))
            field.resize(groups[j].position, '0');
        field[groups[j].position - 1] = raw[j];
    }
    return fields;
}

std::string Encode(const std::map<char, std::string>& fields, const std::string& map) {
    std::string raw;
    for (const auto& g : MapGroups(map)) raw += fields.at(g.letter).at(g.position - 1);
    return raw;
}

class DeliveredDataTest : public ::testing::Test {
  protected:
    TTextTable texts = NumberedTexts();
    TRecordingUi ui;

    TDevice Device(const std::string& name, bool withBlock) {
        TDevice device;
        EXPECT_TRUE(FindReceiverType(kData, name, withBlock, device, texts, ui)) << name;
        return device;
    }
};

TEST_F(DeliveredDataTest, FilesAreCrLfText) {
    for (const char* name : {"Rx.def", "Tx.def", "RxFncUS.def", "RxFncDE.def"}) {
        SCOPED_TRACE(name);
        const std::string text = ReadFile(name);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                EXPECT_EQ(text[i - 1], '\r') << "at " << i;
            }
        }
    }
    // German names are single-byte Windows-1252, not UTF-8.
    const std::string de = ReadFile("RxFncDE.def");
    EXPECT_NE(de.find('\xDF'), std::string::npos);
    EXPECT_EQ(de.find('\xC3'), std::string::npos);
}

TEST_F(DeliveredDataTest, EveryReceiverTypeLoadsAndIsListedInOrder) {
    const auto names = RxNames();
    for (const char* required :
         {"KV1T-N", "KVTQ-N", "KV8T-N", "KV1M", "KV1W", "KV1K", "KV8M", "KV1M3", "KV1M2"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), required), names.end()) << required;
    }
    const auto list = ListReceiverTypes(kData + "/Rx.def", texts, ui);
    ASSERT_EQ(list.size(), names.size());
    std::set<int> blockSizes;
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(list[i].Name, names[i]);
        EXPECT_EQ(list[i].Position, static_cast<int>(i));
        const TDevice without = Device(names[i], false);
        const TDevice with = Device(names[i], true);
        EXPECT_EQ(without.BlockSize, 0);
        EXPECT_GT(with.BlockSize, 0);
        EXPECT_EQ(with.Description, list[i].Description);
        EXPECT_EQ(with.DecodeMap, without.DecodeMap);
        blockSizes.insert(with.BlockSize);
    }
    EXPECT_TRUE(blockSizes.count(2048));
    EXPECT_GT(blockSizes.size(), 1u);  // packing and non-packing types both exist
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DeliveredDataTest, RecordLayoutsAreCompleteAndInvertible) {
    std::mt19937 random(7);
    const std::string hex = "0123456789ABCDEF";
    for (const auto& name : RxNames()) {
        SCOPED_TRACE(name);
        const TDevice device = Device(name, false);
        const size_t length = device.EmptyTemplate.size();
        EXPECT_EQ(length % 2, 0u);
        EXPECT_EQ(device.EmptyTemplate.find_first_not_of(hex), std::string::npos);

        // Every digit belongs to one of the six fields, each field position exactly once,
        // positions 1..n without gaps.
        std::map<char, std::set<int>> seen;
        for (const auto& g : MapGroups(device.DecodeMap)) {
            ASSERT_NE(std::string("SBOKTE").find(g.letter), std::string::npos);
            ASSERT_GE(g.position, 1);
            ASSERT_LE(g.position, 500);
            EXPECT_TRUE(seen[g.letter].insert(g.position).second);
        }
        for (const auto& [letter, positions] : seen) {
            EXPECT_EQ(*positions.rbegin(), static_cast<int>(positions.size())) << letter;
        }
        EXPECT_EQ(seen['S'].size(), 5u);
        EXPECT_EQ(seen['B'].size(), 1u);
        EXPECT_EQ(seen['O'].size(), 2u);

        for (int round = 0; round < 50; ++round) {
            std::string raw;
            for (size_t j = 0; j < length; ++j) raw += hex[random() % 16];
            if (round == 0) raw = device.EmptyTemplate;
            if (round == 1) raw = device.ErasedRecord;
            ASSERT_EQ(Encode(Decode(raw, device.DecodeMap), device.EncodeMap), raw);
        }
    }
}

TEST_F(DeliveredDataTest, ExtraHoldsTextsAndCommandSlots) {
    auto extraLength = [&](const std::string& name) {
        return Decode(Device(name, false).EmptyTemplate, Device(name, false).DecodeMap)['E'].size();
    };
    // Text-holding types keep at least a few characters of User1.
    EXPECT_GE(extraLength("KV1T-N"), 16u);
    EXPECT_GE(extraLength("KVTQ-N"), 16u);
    EXPECT_GE(extraLength("KV8T-N"), 17u);  // the text starts at digit 2
    // One 96-digit slot or two 48-digit slots, plus digits 1-3 and the closing digit.
    for (const char* name : {"KV1M", "KV1W", "KV1K", "KV8M", "KV1M3"}) {
        EXPECT_GE(extraLength(name), 100u) << name;
    }
    EXPECT_GE(extraLength("KV1M2"), 4u * 124 + 4);
}

TEST_F(DeliveredDataTest, FunctionTablesMatchTheCatalogue) {
    for (const char* file : kFunctionTables) {
        for (const auto& name : RxNames()) {
            SCOPED_TRACE(std::string(file) + " " + name);
            TFunctionTable functionTable(kData, texts, ui);
            functionTable.SetFileName(file);
            functionTable.RecordCount = -1;
            ASSERT_TRUE(functionTable.LoadFunctionTable(name));
            ASSERT_GT(functionTable.RecordCount, 0) << "no section";
            const TDevice device = Device(name, false);
            auto fields = Decode(device.EmptyTemplate, device.DecodeMap);
            if (functionTable.IsRelayMode()) {
                EXPECT_EQ(fields['T'].size(), 4u * functionTable.SingleRelay);
                EXPECT_EQ(device.Outputs, functionTable.SingleRelay);
                EXPECT_EQ(fields.count('K'), 0u);
            } else {
                EXPECT_EQ(fields['T'].size(), 4u);
                EXPECT_EQ(fields['K'].size(), 2u);
                EXPECT_GE(device.Outputs, 1);
                EXPECT_LE(device.Outputs, 8);
            }
            // Every offered function has a code of the field's length; the timed one exists.
            ASSERT_LT(static_cast<size_t>(functionTable.TimeIndex), functionTable.Functions.size());
            for (const auto& function : functionTable.Functions) {
                std::string code;
                EXPECT_TRUE(functionTable.IsRelayMode()
                                ? functionTable.RelayFunctionCode(function, code)
                                : functionTable.FunctionCode(function, code))
                    << function;
                EXPECT_EQ(code.size(), fields['O'].size());
            }
            // The editor offers these fixed names for input transmitters.
            for (const char* fixed : {"Direct", "Inverse"}) {
                std::string code;
                EXPECT_TRUE(functionTable.IsRelayMode()
                                ? functionTable.RelayFunctionCode(fixed, code)
                                : functionTable.FunctionCode(fixed, code));
            }
            EXPECT_GT(functionTable.CheckCount, 0);
            EXPECT_GT(functionTable.SetCount, 0);
        }
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DeliveredDataTest, LanguagesAgreeOnCodesAndCounts) {
    for (const auto& name : RxNames()) {
        SCOPED_TRACE(name);
        TFunctionTable us(kData, texts, ui), de(kData, texts, ui);
        us.SetFileName("RxFncUS.def");
        de.SetFileName("RxFncDE.def");
        ASSERT_TRUE(us.LoadFunctionTable(name));
        ASSERT_TRUE(de.LoadFunctionTable(name));
        EXPECT_EQ(us.RecordCount, de.RecordCount);
        EXPECT_EQ(us.SingleRelay, de.SingleRelay);
        EXPECT_EQ(us.TimeIndex, de.TimeIndex);
        EXPECT_EQ(us.Functions.size(), de.Functions.size());
        EXPECT_EQ(us.DecoderKeys, de.DecoderKeys);
        ASSERT_EQ(us.CheckRules.size(), de.CheckRules.size());
        for (size_t i = 0; i < us.CheckRules.size(); ++i)
            EXPECT_EQ(us.CheckRules[i].Keys, de.CheckRules[i].Keys);
    }
}

TEST_F(DeliveredDataTest, SerialCommandRulesFollowTheButtonPairs) {
    for (const char* file : kFunctionTables) {
        for (const char* name : {"KV1M", "KV1W", "KV1K", "KV8M", "KV1M3"}) {
            SCOPED_TRACE(std::string(file) + " " + name);
            TFunctionTable functionTable(kData, texts, ui);
            functionTable.SetFileName(file);
            ASSERT_TRUE(functionTable.LoadFunctionTable(name));
            const TDevice device = Device(name, false);
            auto fields = Decode(device.EmptyTemplate, device.DecodeMap);
            TData record;
            record.Serial = "12345";
            record.Channels = "03";
            record.Time = "0032";
            record.Extra = fields['E'];
            // The two-slot pairs pass, the same functions with other buttons do not.
            for (auto [output, button, ok] : {std::tuple{"E0", "A", true},
                                              {"0E", "5", true},
                                              {"66", "F", true},
                                              {"E0", "5", false},
                                              {"66", "1", false},
                                              {"01", "3", true},
                                              {"08", "F", true},
                                              {"08", "3", false}}) {
                record.Output = output;
                record.Button = button;
                EXPECT_EQ(functionTable.Check(record), ok) << output << "/" << button;
            }
            // A serial-only function switches no channel and takes no time.
            TData serial = record;
            serial.Output = "E0";
            serial.Button = "A";
            functionTable.ApplySetRules(serial);
            EXPECT_EQ(serial.Channels, "00");
            EXPECT_EQ(serial.Time, "0000");
            // The timed function keeps its time; a plain one keeps its channels.
            TData timer = record;
            timer.Output = "03";
            functionTable.ApplySetRules(timer);
            EXPECT_EQ(timer.Time, "0032");
            TData mono = record;
            mono.Output = "01";
            functionTable.ApplySetRules(mono);
            EXPECT_EQ(mono.Channels, "03");
            EXPECT_EQ(mono.Time, "0000");
            std::string code;
            ASSERT_TRUE(
                functionTable.FunctionCode(functionTable.Functions[functionTable.TimeIndex], code));
            EXPECT_EQ(code, "03");
        }
    }
}

TEST_F(DeliveredDataTest, TransmitterCatalogueLoads) {
    std::vector<TTx> types;
    ASSERT_TRUE(LoadTransmitterTypes(kData, "Tx.def", types, texts, ui));
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_GE(types.size(), 4u);
    bool fewerButtons = false;
    bool inputWithA = false;
    const std::string hex = "0123456789ABCDEF";
    for (const auto& tx : types) {
        SCOPED_TRACE(tx.Name);
        EXPECT_GT(tx.Count, 0);
        ASSERT_EQ(tx.CodePrefix.size(), 2u);
        EXPECT_EQ(tx.CodePrefix.find_first_not_of(hex), std::string::npos);
        if (tx.HasButtons) {
            int visible = 0;
            for (const auto& b : tx.Buttons) visible += b.Visible;
            EXPECT_EQ(visible, tx.Count);
            if (tx.Count < 4) fewerButtons = true;
            int sum = 0;
            for (const auto& b : tx.Buttons)
                if (b.Visible) sum += b.Value;
            EXPECT_LE(sum, 15);
        } else {
            EXPECT_EQ(tx.Inputs.size(), static_cast<size_t>(tx.Count));
            for (const auto& input : tx.Inputs) {
                EXPECT_GE(input.Value, 0);
                EXPECT_LE(input.Value, 15);
            }
            if (tx.CodePrefix[0] == 'A' && tx.Count == 5) {
                inputWithA = true;
                EXPECT_EQ(tx.Inputs[0].Value, 3);
                EXPECT_EQ(tx.Inputs[3].Value, 12);
                EXPECT_EQ(tx.Inputs[4].Value, 15);
                EXPECT_EQ(tx.Inputs[4].Name, "Ini");
            }
        }
    }
    EXPECT_TRUE(fewerButtons);
    EXPECT_TRUE(inputWithA);
}

}  // namespace
}  // namespace ravlin
