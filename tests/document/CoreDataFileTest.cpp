// The data file and codec operations over the program's core: which receiver type, table
// and images they use, and the login state they respect.

#include <gtest/gtest.h>

#include "../records/RecordTestUtil.h"
#include "RecordingUi.h"
#include "app/Core.h"
#include "document/DataFile.h"
#include "records/Codec.h"

namespace ravlin {
namespace {

class CoreDataFile : public ::testing::Test {
  protected:
    test::TTempDir dir;
    test::TRecordingUi ui;
    TCore core{TFolders{test::DeliveredDataDir(), dir.path(), dir.File("RavlinProj.ini")}, ui};
    std::string demo = test::DeliveredDataDir() + "/Demo.rvl";

    void SetUp() override { ASSERT_TRUE(core.language.LoadLanguage("US")); }
};

TEST_F(CoreDataFile, OpenSaveAndNewDocumentUseTheCoresReceiverTypeAndImages) {
    ASSERT_TRUE(Otevri(core, demo));
    EXPECT_EQ(core.rx.Device.Name, "KV2R");
    EXPECT_EQ(core.rx.Image.size(), core.table.size() * 16);
    ASSERT_TRUE(SaveData(core, dir.File("copy.rvl")));
    EXPECT_EQ(core.rx.UploadImage, core.rx.Image);  // already packed: nothing moves
    EXPECT_EQ(test::ReadText(dir.File("copy.rvl")), test::ReadText(demo));

    // A new document for a relay type while logged out takes the type's function table.
    ASSERT_TRUE(MakeEmptyTableFor(core, "KV3S"));
    EXPECT_EQ(core.rx.Device.Name, "KV3S");
    EXPECT_EQ(core.table.size(), 400u);
    EXPECT_EQ(core.rxFnc.SingleRelay, 3);
    EXPECT_EQ(core.table[0].Time, std::string(12, '0'));

    // Logged in, a file of another type is refused and nothing changes.
    core.state.LoggedIn = true;
    EXPECT_FALSE(Otevri(core, demo));
    EXPECT_EQ(ui.Ids(), std::vector<int>{86});
    EXPECT_EQ(core.rx.Device.Name, "KV3S");
    EXPECT_EQ(core.table.size(), 400u);
}

TEST_F(CoreDataFile, OpenAndMergeTakesTheUserInformationOfTheDocumentsFile) {
    // A backup of the demo receiver without user information.
    ASSERT_TRUE(Otevri(core, demo));
    const TRecordTable withInfo = core.table;
    for (auto& r : core.table) {
        r.UserID = 0;
        r.User1 = r.User2 = r.User3 = r.User4 = "";
        r.TxType = "-";
        r.CodePrefix = "x0";
    }
    ASSERT_TRUE(SaveData(core, dir.File("backup.rvl")));
    core.state.FileName = demo;
    ASSERT_TRUE(OpenAndMerge(core, dir.File("backup.rvl")));
    for (size_t i = 0; i < withInfo.size(); ++i) {
        EXPECT_EQ(core.table[i].User1, withInfo[i].User1) << i;
        EXPECT_EQ(core.table[i].TxType, withInfo[i].TxType) << i;
    }
    // The download path: decode the receiver's image, then merge the document's file.
    core.rx.Image = core.rx.UploadImage;
    ASSERT_TRUE(DecodeDownloadedImage(core));
    EXPECT_EQ(core.table[0].User1, "");
    ASSERT_TRUE(ImportComments(core, demo));
    EXPECT_EQ(core.table[0].User1, withInfo[0].User1);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace ravlin
