// The composition root: the shared bootstrap, and the data file functions over the core's
// current receiver type, table and login state that the command-line tool uses.

#include <gtest/gtest.h>

#include "../records/RecordTestUtil.h"
#include "RecordingUi.h"
#include "app/Bootstrap.h"
#include "app/Core.h"
#include "document/DataFile.h"
#include "link/Serial.h"
#include "records/Codec.h"

namespace ravlin {
namespace {

class CoreTest : public ::testing::Test {
  protected:
    test::TTempDir dir;
    test::TRecordingUi ui;
    TCore core{TFolders{test::DeliveredDataDir(), dir.path(), dir.File("RavlinProj.ini")}, ui};
    std::string demo = test::DeliveredDataDir() + "/Demo.rvl";

    void SetUp() override { ASSERT_TRUE(core.language.LoadLanguage("US")); }
};

TEST_F(CoreTest, OpenSaveAndNewDocumentUseTheCoresReceiverType) {
    ASSERT_TRUE(OpenData(core, demo));
    EXPECT_EQ(core.device.Name, "KV2R");
    ASSERT_TRUE(SaveData(core, dir.File("copy.rvl")));
    EXPECT_EQ(test::ReadText(dir.File("copy.rvl")), test::ReadText(demo));

    // A new document for a relay type while logged out takes the type's function table.
    core.functionTable.SetFileName(core.language.FunctionTableFile());
    ASSERT_TRUE(MakeEmptyTable(core.folders.dataDir, "KV3S", core.state.LoggedIn, core.device,
                               core.functionTable, core.table, core.texts(), core.ui));
    EXPECT_EQ(core.device.Name, "KV3S");
    EXPECT_EQ(core.table.size(), 400u);
    EXPECT_EQ(core.functionTable.SingleRelay, 3);
    EXPECT_EQ(core.table[0].Time, std::string(12, '0'));

    // Logged in, a file of another type is refused and nothing changes.
    core.state.LoggedIn = true;
    EXPECT_FALSE(OpenData(core, demo));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::OtherType});
    EXPECT_EQ(core.device.Name, "KV3S");
    EXPECT_EQ(core.table.size(), 400u);
}

TEST_F(CoreTest, OpenAndMergeTakesTheUserInformationOfTheDocumentsFile) {
    // A backup of the demo receiver without user information.
    ASSERT_TRUE(OpenData(core, demo));
    const TRecordTable withInfo = core.table;
    for (auto& r : core.table) {
        r.UserID = 0;
        r.User1 = r.User2 = r.User3 = r.User4 = "";
        r.TxType = "-";
        r.CodePrefix = "x0";
    }
    std::string image;
    ASSERT_TRUE(SaveData(dir.File("backup.rvl"), core.device, core.table, image, core.texts(), ui));
    const TDataFileEnv env{core.folders.dataDir, core.texts(), ui};
    ASSERT_TRUE(
        OpenAndMerge(dir.File("backup.rvl"), demo, env, false, core.device, core.table, image));
    for (size_t i = 0; i < withInfo.size(); ++i) {
        EXPECT_EQ(core.table[i].User1, withInfo[i].User1) << i;
        EXPECT_EQ(core.table[i].TxType, withInfo[i].TxType) << i;
    }
    // The download path: decode the receiver's image, then merge the document's file.
    std::string encoded;
    ASSERT_TRUE(EncodeImage(core.device, core.table, encoded, ui));
    ASSERT_TRUE(DecodeImage(encoded, core.device, core.table));
    EXPECT_EQ(core.table[0].User1, "");
    ASSERT_TRUE(ImportComments(demo, env, core.table));
    EXPECT_EQ(core.table[0].User1, withInfo[0].User1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(CoreBootstrap, LanguageThenSettingsThenPortOverrides) {
    test::TTempDir dir;
    test::TRecordingUi ui;
    test::WriteText(dir.File("RavlinProj.ini"),
                    "[Setup]\r\nLanguage=XX\r\nConnectionType=1\r\nIPPort=4711\r\nUser1=Room\r\n"
                    "Backup=0\r\n[Ports]\r\nCOM3=/dev/ttyRavlinTest\r\n");
    TCore core{TFolders{test::DeliveredDataDir(), dir.path(), dir.File("RavlinProj.ini")}, ui};
    ASSERT_TRUE(Bootstrap(core));
    // XX cannot be loaded: the fallback US, with its message.
    EXPECT_EQ(core.language.Code(), "US");
    EXPECT_EQ(ui.Ids().size(), 1u);
    EXPECT_EQ(core.functionTable.FileName(), core.language.FunctionTableFile());
    EXPECT_EQ(core.receiver.link.Settings.ConnectionText(), "IP 192.168.1.1:4711");
    EXPECT_FALSE(core.settings.Backup);
    EXPECT_EQ(core.settings.UserTitles[1], "Room");
    EXPECT_EQ(core.settings.UserTitles[0], TextAt(core.language.Texts(), Text::UserIdTitle));
    EXPECT_EQ(SerialDevicePath(3), "/dev/ttyRavlinTest");
    SetSerialPortOverrides({});

    // A language given by the caller wins over the settings'.
    ui.messages.clear();
    ASSERT_TRUE(Bootstrap(core, "US"));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace ravlin
