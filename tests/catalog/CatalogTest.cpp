#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "RecordingUi.h"
#include "catalog/Catalog.h"

namespace ravlin {
namespace {

using test::TRecordingUi;
using ::testing::ElementsAre;

TTextTable NumberedTexts() {
    TTextTable texts;
    for (int i = 0; i < 300; ++i) texts.push_back("Text" + std::to_string(i));
    return texts;
}

class TempDir {
  public:
    TempDir() {
        char name[] = "/tmp/ravlin-catalog-XXXXXX";
        path_ = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ + "/" + name, std::ios::binary) << content;
    }

  private:
    std::string path_;
};

// Joins lines with CR LF, as the delivered files are written.
std::string CrLf(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

const std::string kMap8 = "O001O002B001S001S002S003S004S005";  // 8 digits

std::string Section(const std::string& name, const std::string& description,
                    const std::string& block = "2048") {
    return CrLf({name, description, "4", "00000000", kMap8, kMap8, block, "#E"});
}

class CatalogTest : public ::testing::Test {
  protected:
    TTextTable texts = NumberedTexts();
    TRecordingUi ui;
    TempDir dir;
};

TEST_F(CatalogTest, FindFillsTheCatalogueFieldsAndKeepsTheRest) {
    dir.Write("Rx.def", Section("KV2R", "two", "512") + Section("KV4R", "four", "256"));
    TDevice device;
    device.Password = "secret";
    device.StartAddress = 0x1000;
    device.RecordCount = 77;
    ASSERT_TRUE(FindReceiverType(dir.path(), "KV4R", true, device, texts, ui));
    EXPECT_EQ(device.Name, "");  // the caller names the record
    EXPECT_EQ(device.Description, "four");
    EXPECT_EQ(device.Outputs, 4);
    EXPECT_EQ(device.EmptyTemplate, "00000000");
    EXPECT_EQ(device.ErasedRecord, "FFFFFFFF");
    EXPECT_EQ(device.DecodeMap, kMap8);
    EXPECT_EQ(device.EncodeMap, kMap8);
    EXPECT_EQ(device.BlockSize, 256);
    EXPECT_EQ(device.Password, "secret");
    EXPECT_EQ(device.StartAddress, 0x1000);
    EXPECT_EQ(device.RecordCount, 77);
    EXPECT_TRUE(ui.messages.empty());

    TDevice without;
    ASSERT_TRUE(FindReceiverType(dir.path(), "KV2R", false, without, texts, ui));
    EXPECT_EQ(without.BlockSize, 0);
    EXPECT_EQ(without.Description, "two");
}

TEST_F(CatalogTest, FindComparesOnlyNameLinesExactly) {
    dir.Write("Rx.def", Section("KV2R", "KV4R") + Section("KV4R ", "blank"));
    TDevice device;
    EXPECT_FALSE(FindReceiverType(dir.path(), "KV4R", false, device, texts, ui));
    EXPECT_FALSE(FindReceiverType(dir.path(), "kv2r", false, device, texts, ui));
    EXPECT_TRUE(ui.messages.empty());  // an unknown name is the caller's to report
    EXPECT_TRUE(FindReceiverType(dir.path(), "KV4R ", false, device, texts, ui));
    EXPECT_EQ(device.Description, "blank");
}

TEST_F(CatalogTest, MissingCatalogueNamesRxDef) {
    TDevice device;
    EXPECT_FALSE(FindReceiverType(dir.path(), "KV2R", false, device, texts, ui));
    EXPECT_THAT(ui.Texts(), ElementsAre("Text80 - Rx.def"));
    EXPECT_THAT(ui.Ids(), ElementsAre(Text::CannotOpen));
}

TEST_F(CatalogTest, FormatErrorsGive82AndLeaveTheRecordUntouched) {
    const std::string map127 = (kMap8 + kMap8 + kMap8 + kMap8).substr(0, 127);
    struct Case {
        const char* what;
        std::string section;
    } cases[] = {
        {"maps one short of 4L", CrLf({"X", "d", "1", std::string(32, '0'), map127, map127, "#E"})},
        {"encode map too long", CrLf({"X", "d", "1", "00000000", kMap8, kMap8 + "S006", "#E"})},
        {"empty description", CrLf({"X", "", "1", "00000000", kMap8, kMap8, "#E"})},
        {"outputs not a number", CrLf({"X", "d", "4a", "00000000", kMap8, kMap8, "#E"})},
        {"negative outputs", CrLf({"X", "d", "-1", "00000000", kMap8, kMap8, "#E"})},
        {"empty template", CrLf({"X", "d", "1", "", "", "", "#E"})},
        {"file ends after the name", "X\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.Write("Rx.def", c.section);
        TRecordingUi local;
        TDevice device;
        device.Description = "before";
        device.Outputs = 9;
        EXPECT_FALSE(FindReceiverType(dir.path(), "X", false, device, texts, local));
        EXPECT_THAT(local.Texts(), ElementsAre("Text82 - Rx.def"));
        EXPECT_EQ(device.Description, "before");
        EXPECT_EQ(device.Outputs, 9);
        EXPECT_EQ(device.EmptyTemplate, "");
    }
}

TEST_F(CatalogTest, BlockSizeLineIsCheckedOnlyWhenAsked) {
    // No line 7: "#E" stands where the block size would be.
    dir.Write("Rx.def", CrLf({"KV1", "one", "1", "00000000", kMap8, kMap8, "#E"}) +
                            Section("KV2", "two", "0") + Section("KV3", "three", "-256"));
    TDevice device;
    EXPECT_TRUE(FindReceiverType(dir.path(), "KV1", false, device, texts, ui));
    EXPECT_TRUE(ui.messages.empty());
    TDevice withBlock;
    EXPECT_FALSE(FindReceiverType(dir.path(), "KV1", true, withBlock, texts, ui));
    // A zero or negative erase step could never advance an upload.
    EXPECT_FALSE(FindReceiverType(dir.path(), "KV2", true, withBlock, texts, ui));
    EXPECT_FALSE(FindReceiverType(dir.path(), "KV3", true, withBlock, texts, ui));
    EXPECT_THAT(ui.Texts(), ElementsAre("Text82 - Rx.def", "Text82 - Rx.def", "Text82 - Rx.def"));
    EXPECT_TRUE(FindReceiverType(dir.path(), "KV2", false, withBlock, texts, ui));
}

TEST_F(CatalogTest, SectionWithoutEndMarkSwallowsTheNextOne) {
    const std::string first = CrLf({"KV1", "one", "1", "00000000", kMap8, kMap8, "2048"});
    dir.Write("Rx.def", first + Section("KV2", "two") + Section("KV3", "three"));
    TDevice device;
    EXPECT_FALSE(FindReceiverType(dir.path(), "KV2", false, device, texts, ui));
    EXPECT_TRUE(FindReceiverType(dir.path(), "KV3", false, device, texts, ui));
    EXPECT_TRUE(FindReceiverType(dir.path(), "KV1", true, device, texts, ui));
    EXPECT_EQ(device.Description, "one");
    EXPECT_TRUE(ui.messages.empty());

    const auto list = ParseReceiverTypeList(first + Section("KV2", "two") + Section("KV3", "x"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Name, "KV3");
}

TEST_F(CatalogTest, ReadsBareLineFeedsAndToleratesTrailingBlankLines) {
    std::string text = Section("KV2", "two", "512") + "\r\n\r\n";
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    dir.Write("Rx.def", lf);
    TDevice device;
    ASSERT_TRUE(FindReceiverType(dir.path(), "KV2", true, device, texts, ui));
    EXPECT_EQ(device.BlockSize, 512);
    EXPECT_EQ(device.DecodeMap, kMap8);
    EXPECT_EQ(ListReceiverTypes(dir.path() + "/Rx.def", texts, ui).size(), 1u);
}

TEST_F(CatalogTest, ListKeepsFileOrderAndDuplicateDescriptions) {
    dir.Write("Rx.def", Section("C", "same") + Section("A", "first") + Section("B", "same"));
    const auto list = ListReceiverTypes(dir.path() + "/Rx.def", texts, ui);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Name, "C");
    EXPECT_EQ(list[1].Description, "first");
    EXPECT_EQ(list[2].Name, "B");
    EXPECT_EQ(list[2].Description, "same");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list[i].Position, i);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CatalogTest, ListNamesTheFullPathWhenTheFileIsMissing) {
    const std::string path = dir.path() + "/Rx.def";
    EXPECT_TRUE(ListReceiverTypes(path, texts, ui).empty());
    EXPECT_THAT(ui.Texts(), ElementsAre("Text80 - " + path));
    // A folder is no catalogue either.
    TRecordingUi other;
    EXPECT_TRUE(ListReceiverTypes(dir.path(), texts, other).empty());
    EXPECT_THAT(other.Ids(), ElementsAre(Text::CannotOpen));
}

const std::string kTxFile = CrLf({"Four", "B424", "V10108", "V10504", "V50102", "V50501",  //
                                  "Two", "B225", "V10108", "V10504", "-00000", "X99990",   //
                                  "Inputs", "I3A0", "03:A=0,B=0", "12-A=1,B=1", "15 Ini",  //
                                  "Empty", "I0A1"});

TEST_F(CatalogTest, TransmitterTypesReadButtonsAndInputs) {
    dir.Write("Tx.def", kTxFile);
    std::vector<TTx> types(1);  // replaced, not appended to
    ASSERT_TRUE(LoadTransmitterTypes(dir.path(), "Tx.def", types, texts, ui));
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(types.size(), 4u);

    const TTx& four = types[0];
    EXPECT_EQ(four.Name, "Four");
    EXPECT_TRUE(four.HasButtons);
    EXPECT_EQ(four.Count, 4);
    EXPECT_EQ(four.CodePrefix, "24");
    EXPECT_TRUE(four.Buttons[0].Visible);
    EXPECT_EQ(four.Buttons[1].Top, 10);
    EXPECT_EQ(four.Buttons[1].Left, 50);
    EXPECT_EQ(four.Buttons[1].Value, 4);
    EXPECT_EQ(four.Buttons[3].Value, 1);

    // Count 2 still has four button lines; the extra ones hide their buttons.
    const TTx& two = types[1];
    EXPECT_EQ(two.Count, 2);
    EXPECT_TRUE(two.Buttons[1].Visible);
    EXPECT_FALSE(two.Buttons[2].Visible);
    EXPECT_FALSE(two.Buttons[3].Visible);
    EXPECT_EQ(two.Buttons[3].Top, 99);
    EXPECT_EQ(two.Buttons[3].Value, 0);

    const TTx& inputs = types[2];
    EXPECT_FALSE(inputs.HasButtons);
    EXPECT_EQ(inputs.CodePrefix, "A0");
    ASSERT_EQ(inputs.Inputs.size(), 3u);
    EXPECT_EQ(inputs.Inputs[0].Name, "A=0,B=0");
    EXPECT_EQ(inputs.Inputs[1].Value, 12);
    EXPECT_EQ(inputs.Inputs[1].Name, "A=1,B=1");  // the separator character is ignored
    EXPECT_EQ(inputs.Inputs[2].Name, "Ini");
    EXPECT_EQ(types[3].Count, 0);
    EXPECT_TRUE(types[3].Inputs.empty());
}

TEST_F(CatalogTest, TransmitterFileEndingMidEntryIsAFormatError) {
    // The input type promises three inputs but the file ends after one.
    dir.Write("Tx.def", CrLf({"Four", "B424", "V10108", "V10504", "V50102", "V50501", "Cut", "I3A0",
                              "03:A=0,B=0"}));
    std::vector<TTx> types;
    EXPECT_FALSE(LoadTransmitterTypes(dir.path(), "Tx.def", types, texts, ui));
    EXPECT_THAT(ui.Texts(), ElementsAre("Text82 - Tx.def"));
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0].Count, 4);
    EXPECT_EQ(types[1].Name, "Cut");
    // The half-read entry is kept by name but must not be used as a type.
    EXPECT_EQ(types[1].Count, 0);
}

TEST_F(CatalogTest, TransmitterNumbersMustBeNumbers) {
    const std::vector<std::string> bad = {
        CrLf({"T", "BxA0", "V10108", "V10504", "V50102", "V50501"}),  // count
        CrLf({"T", "B424", "V1a108", "V10504", "V50102", "V50501"}),  // top
        CrLf({"T", "B424", "V10108", "V10b04", "V50102", "V50501"}),  // left
        CrLf({"T", "B424", "V10108", "V10504", "V501", "V50501"}),    // value missing
        CrLf({"T", "I1A0", "x3:In"}),                                 // input value
    };
    for (const auto& file : bad) {
        SCOPED_TRACE(file);
        dir.Write("Tx.def", file);
        TRecordingUi local;
        std::vector<TTx> types;
        EXPECT_FALSE(LoadTransmitterTypes(dir.path(), "Tx.def", types, texts, local));
        EXPECT_THAT(local.Texts(), ElementsAre("Text82 - Tx.def"));
        ASSERT_EQ(types.size(), 1u);
        EXPECT_EQ(types[0].Count, 0);
    }
}

TEST_F(CatalogTest, MissingTransmitterFileNamesTheFile) {
    std::vector<TTx> types(2);
    EXPECT_FALSE(LoadTransmitterTypes(dir.path(), "Tx.def", types, texts, ui));
    EXPECT_TRUE(types.empty());
    EXPECT_THAT(ui.Texts(), ElementsAre("Text80 - Tx.def"));
}

TEST(CatalogDetailTest, ParseIntAcceptsOnlyWholeDecimalNumbers) {
    int v = 5;
    EXPECT_TRUE(catalog_detail::ParseInt("2048", v));
    EXPECT_EQ(v, 2048);
    EXPECT_TRUE(catalog_detail::ParseInt("-12", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(catalog_detail::ParseInt("2147483647", v));
    EXPECT_FALSE(catalog_detail::ParseInt("2147483648", v));
    EXPECT_FALSE(catalog_detail::ParseInt("", v));
    EXPECT_FALSE(catalog_detail::ParseInt("-", v));
    EXPECT_FALSE(catalog_detail::ParseInt(" 1", v));
    EXPECT_FALSE(catalog_detail::ParseInt("1 ", v));
    EXPECT_FALSE(catalog_detail::ParseInt("99999999999999999999", v));
    EXPECT_EQ(v, 2147483647);
}

}  // namespace
}  // namespace ravlin
