#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "RecordingUi.h"
#include "catalog/Language.h"

namespace ravlin {
namespace {

using test::TRecordingUi;
using ::testing::ElementsAre;

const char kFormat[] = "Wrong language file format!";

struct TLoadCounter : TLanguageListener {
    int count = 0;
    void LanguageLoaded() override { ++count; }
};

class LanguageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-lang-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& name, const std::string& content) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << content;
    }
    // A complete file of `count` entries "NNN <prefix>NNN", CR LF line ends.
    static std::string Complete(int count, const std::string& prefix) {
        std::string s = std::to_string(count) + "\r\n";
        for (int i = 0; i < count; ++i) {
            char idx[16];
            std::snprintf(idx, sizeof idx, "%03d", i);
            s += std::string(idx) + " " + prefix + idx + "\r\n";
        }
        return s;
    }

    std::string dir_;
    TRecordingUi ui_;
};

TEST_F(LanguageTest, CompleteFileLoadsEveryTextAndKeepsTheTextAsWritten) {
    std::string file = Complete(299, "t");
    file += "000 File\r\n005  New\r\n006\tOpen ...\r\n007 \xE4\xF6\xFC\xDF \r\n";
    Write("US.lng", file);
    TLanguage lang(dir_, ui_);
    TLoadCounter loaded;
    lang.SetListener(&loaded);

    ASSERT_TRUE(lang.LoadLanguage("US"));
    ASSERT_EQ(lang.Texts().size(), 299u);
    EXPECT_EQ(lang.Entry(0), "File");               // separator dropped
    EXPECT_EQ(lang.Entry(5), " New");               // the second blank belongs to the text
    EXPECT_EQ(lang.Entry(6), "Open ...");           // any separator character
    EXPECT_EQ(lang.Entry(7), "\xE4\xF6\xFC\xDF ");  // bytes and trailing blank kept
    EXPECT_EQ(lang.Entry(298), "t298");
    EXPECT_EQ(lang.Entry(299), "");
    EXPECT_EQ(lang.Entry(-1), "");
    EXPECT_EQ(lang.Code(), "US");
    EXPECT_EQ(loaded.count, 1);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(LanguageTest, IndexFieldFormsAndLineEnds) {
    // Bare LF, blanks before the index, a line too short for a text, no final line end.
    Write("US.lng", "  5 ignored here\n  7 seven\n 12 twelve\r\n3\n004 last");
    TLanguage lang(dir_, ui_);
    ASSERT_TRUE(lang.LoadLanguage("US"));
    ASSERT_EQ(lang.Texts().size(), 5u);
    EXPECT_EQ(lang.Entry(3), "");
    EXPECT_EQ(lang.Entry(4), "last");
    // Indexes 7 and 12 lie beyond the declared count of 5: skipped, table not grown.
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(LanguageTest, MissingFileReportsTheCodeAndChangesNothing) {
    Write("US.lng", "003\r\n000 a\r\n001 b\r\n002 c\r\n");
    TLanguage lang(dir_, ui_);
    ASSERT_TRUE(lang.LoadLanguage("US"));
    TLoadCounter loaded;
    lang.SetListener(&loaded);

    EXPECT_FALSE(lang.LoadLanguage("DE"));
    EXPECT_FALSE(lang.LoadLanguage("../US"));  // never a path
    EXPECT_FALSE(lang.LoadLanguage("us"));
    EXPECT_THAT(ui_.Texts(), ElementsAre("DE languge file can not be open!",
                                         "../US languge file can not be open!",
                                         "us languge file can not be open!"));
    EXPECT_THAT(ui_.Ids(), ElementsAre(Text::None, Text::None, Text::None));
    EXPECT_THAT(lang.Texts(), ElementsAre("a", "b", "c"));
    EXPECT_EQ(lang.Code(), "US");
    EXPECT_EQ(loaded.count, 0);
}

TEST_F(LanguageTest, FormatErrorsKeepWhatWasStoredBeforeTheBadLine) {
    Write("US.lng", "003\r\n000 a\r\n001 b\r\n002 c\r\n");
    Write("RxFncDE.def", "x");
    TLanguage lang(dir_, ui_);
    ASSERT_TRUE(lang.LoadLanguage("US"));
    TLoadCounter loaded;
    lang.SetListener(&loaded);

    // Blank line after the last entry: entries before it are in, the rest not applied.
    Write("DE.lng", "004\r\n000 A\r\n003 D\r\n\r\n");
    EXPECT_FALSE(lang.LoadLanguage("DE"));
    EXPECT_THAT(lang.Texts(), ElementsAre("A", "b", "c", "D"));
    EXPECT_EQ(lang.FunctionTableFile(), "RxFncUS.def");  // not updated on failure
    EXPECT_EQ(lang.Code(), "US");

    // Head that is no number: nothing changes, not even the size.
    Write("DE.lng", "x99\r\n000 Z\r\n");
    EXPECT_FALSE(lang.LoadLanguage("DE"));
    EXPECT_EQ(lang.Texts().size(), 4u);

    // Left-aligned or signed indexes are not numbers of the format.
    Write("DE.lng", "004\r\n000 B\r\n");
    EXPECT_TRUE(lang.LoadLanguage("DE"));
    Write("DE.lng", "004\r\n000 C\r\n12 x\r\n");
    EXPECT_FALSE(lang.LoadLanguage("DE"));
    Write("DE.lng", "004\r\n-01 x\r\n");
    EXPECT_FALSE(lang.LoadLanguage("DE"));

    // A head without any entry line, and an empty file.
    Write("DE.lng", "004\r\n");
    EXPECT_FALSE(lang.LoadLanguage("DE"));
    Write("DE.lng", "");
    EXPECT_FALSE(lang.LoadLanguage("DE"));

    EXPECT_THAT(ui_.Texts(), ElementsAre(kFormat, kFormat, kFormat, kFormat, kFormat, kFormat));
    EXPECT_EQ(lang.Entry(0), "C");  // stored before the bad line
    EXPECT_EQ(loaded.count, 1);     // only the one good load
}

TEST_F(LanguageTest, SwitchingLanguageKeepsTextsTheNewFileLacksAndLaterLinesWin) {
    Write("US.lng", "299\r\n012 Add\r\n013 Edit\r\n");
    Write("DE.lng", "299\r\n013 Bearbeiten\r\n013 Ändern\r\n");
    TLanguage lang(dir_, ui_);
    ASSERT_TRUE(lang.LoadLanguage("US"));
    ASSERT_TRUE(lang.LoadLanguage("DE"));
    EXPECT_EQ(lang.Entry(12), "Add");
    EXPECT_EQ(lang.Entry(13), "Ändern");
    EXPECT_EQ(lang.Code(), "DE");

    // A smaller count shrinks the table; growing again brings empty entries.
    Write("GB.lng", "013\r\n000 x\r\n");
    ASSERT_TRUE(lang.LoadLanguage("GB"));
    EXPECT_EQ(lang.Texts().size(), 13u);
    EXPECT_EQ(lang.Entry(12), "Add");
    ASSERT_TRUE(lang.LoadLanguage("US"));
    EXPECT_EQ(lang.Entry(13), "Edit");
    EXPECT_EQ(lang.Entry(100), "");
}

TEST_F(LanguageTest, FunctionTableFileFollowsTheLanguageWhenItExists) {
    Write("US.lng", "001\r\n000 a\r\n");
    Write("DE.lng", "001\r\n000 b\r\n");
    Write("CZ.lng", "001\r\n000 c\r\n");
    Write("RxFncCZ.def", "x");
    ::mkdir((dir_ + "/RxFncDE.def").c_str(), 0755);  // a folder is no table file
    TLanguage lang(dir_, ui_);
    ASSERT_TRUE(lang.LoadLanguage("DE"));
    EXPECT_EQ(lang.FunctionTableFile(), "RxFncUS.def");  // even though RxFncUS.def is absent
    ASSERT_TRUE(lang.LoadLanguage("CZ"));
    EXPECT_EQ(lang.FunctionTableFile(), "RxFncCZ.def");
}

TEST_F(LanguageTest, ListLanguagesOnlyTwoCapitalLetters) {
    for (const char* name :
         {"US.lng", "CZ.lng", "GB.lng", "USA.lng", "U1.lng", "us.lng", "DE.LNG", "AB.lng.bak"})
        Write(name, "001\r\n000 x\r\n");
    ::mkdir((dir_ + "/XX.lng").c_str(), 0755);
    TLanguage lang(dir_, ui_);
    EXPECT_THAT(lang.ListLanguages(), ElementsAre("CZ", "GB", "US"));
    TLanguage none(dir_ + "/absent", ui_);
    EXPECT_TRUE(none.ListLanguages().empty());
}

TEST_F(LanguageTest, StartupFallsBackToUs) {
    Write("US.lng", "001\r\n000 File\r\n");
    TLanguage lang(dir_, ui_);
    EXPECT_TRUE(lang.LoadStartupLanguage("DE"));
    EXPECT_EQ(lang.Code(), "US");
    EXPECT_EQ(lang.Entry(0), "File");
    EXPECT_THAT(ui_.Texts(), ElementsAre("DE languge file can not be open!"));

    // A broken chosen language falls back as well.
    Write("DE.lng", "001\r\n\r\n");
    ui_.messages.clear();
    EXPECT_TRUE(lang.LoadStartupLanguage("DE"));
    EXPECT_EQ(lang.Code(), "US");
    EXPECT_THAT(ui_.Texts(), ElementsAre(kFormat));
}

TEST_F(LanguageTest, StartupFailsWhenUsFailsToo) {
    TLanguage lang(dir_, ui_);
    EXPECT_FALSE(lang.LoadStartupLanguage("DE"));
    EXPECT_THAT(ui_.Texts(), ElementsAre("DE languge file can not be open!",
                                         "US languge file can not be open!"));
    ui_.messages.clear();
    EXPECT_FALSE(lang.LoadStartupLanguage("US"));  // US is tried once only
    EXPECT_THAT(ui_.Texts(), ElementsAre("US languge file can not be open!"));
}

TEST_F(LanguageTest, InMemoryContentNeedsNoFolder) {
    TLanguage lang("/nonexistent-ravlin", ui_);
    ASSERT_TRUE(lang.LoadLanguageText("US", "002\n001 b\n000 a"));
    EXPECT_THAT(lang.Texts(), ElementsAre("a", "b"));
    EXPECT_FALSE(lang.LoadLanguageText("US", std::string("002\n00\0 x", 9)));
}

// The delivered files: complete, every cited text present, German in single bytes.
TEST(DeliveredLanguage, UsAndDeHaveEveryText) {
    for (const char* code : {"US", "DE"}) {
        SCOPED_TRACE(code);
        TRecordingUi ui;
        TLanguage lang(RAVLIN_TEST_DATA_DIR, ui);
        ASSERT_TRUE(lang.LoadLanguage(code));
        EXPECT_TRUE(ui.messages.empty());
        ASSERT_EQ(lang.Texts().size(), 306u);
        for (int i = 0; i < 306; ++i) {
            EXPECT_FALSE(lang.Entry(i).empty()) << "text " << i;
            EXPECT_EQ(lang.Entry(i).find('\r'), std::string::npos) << "text " << i;
        }
        // Texts 84 and the like are questions.
        for (int q : {77, 84, 95, 96, 97, 98}) EXPECT_EQ(lang.Entry(q).back(), '?') << "text " << q;
    }
    TRecordingUi ui;
    TLanguage de(RAVLIN_TEST_DATA_DIR, ui);
    ASSERT_TRUE(de.LoadLanguage("DE"));
    EXPECT_EQ(de.Entry(11),
              "S&chlie\xDF"
              "en");  // ß as the single byte 0xDF (the menu text with its mnemonic)
    TLanguage us(RAVLIN_TEST_DATA_DIR, ui);
    ASSERT_TRUE(us.LoadLanguage("US"));
    EXPECT_EQ(us.Entry(16), "Cu&t");
    EXPECT_EQ(us.Entry(153), "User ID");
}

}  // namespace
}  // namespace ravlin
