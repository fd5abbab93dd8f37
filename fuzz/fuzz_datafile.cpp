// Data file parser from memory: any input is refused or opened without a crash, and a file
// that opens is written again in a form that opens again to the same image.
// max_len: 131072

#include <cstddef>
#include <cstdint>
#include <string>

#include "document/DataFile.h"
#include "records/Codec.h"

using namespace ravlin;

namespace {

class TCountingUi : public TUserInterface {
  public:
    void Error(const TMessage&) override { ++count; }
    TAnswer Ask(const TMessage&, TButtons) override { return TAnswer::No; }
    int count = 0;
};

const TTextTable& Texts() {
    static const TTextTable texts(400, "text");
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TCountingUi ui;
    const TDataFileEnv env{RAVLIN_SOURCE_DATA_DIR, Texts(), ui};

    TDevice device;
    TRecordTable table;
    std::string image;
    if (OpenDataText(text, "fuzz.rvl", env, false, device, table, image)) {
        // The format's four-digit positions bound every table a file can make.
        if (table.size() > static_cast<size_t>(kMaxDataFileRecords)) __builtin_trap();
        std::string encoded;
        if (!EncodeImage(device, table, encoded, ui)) __builtin_trap();
        const std::string again = FormatDataFile(device, table, encoded);
        TCountingUi quiet;
        const TDataFileEnv env2{RAVLIN_SOURCE_DATA_DIR, Texts(), quiet};
        TDevice device2;
        TRecordTable table2;
        std::string image2;
        if (!OpenDataText(again, "again.rvl", env2, false, device2, table2, image2))
            __builtin_trap();
        if (quiet.count != 0 || image2 != encoded || table2.size() != table.size())
            __builtin_trap();
    }

    // A logged-in receiver: the file must fit it; refused files change nothing.
    TDevice receiver;
    receiver.Name = "KV2R";
    receiver.RecordCount = 8;
    receiver.EmptyTemplate = std::string(16, '0');
    receiver.ErasedRecord = std::string(16, 'F');
    receiver.DecodeMap = receiver.EncodeMap =
        "O001O002B001S001S002S003S004S005K001K002T001T002T003T004E001E002";
    TRecordTable kept(3);
    std::string keptImage = "kept";
    if (!OpenDataText(text, "fuzz.rvl", env, true, receiver, kept, keptImage)) {
        if (kept.size() != 3 || keptImage != "kept" || receiver.RecordCount != 8) __builtin_trap();
    } else if (kept.size() != 8 || keptImage.size() != 8 * 16) {
        __builtin_trap();
    }

    // Comment import into a table of its own.
    TDataFileRead read;
    if (ParseDataFile(text, "fuzz.rvl", env, nullptr, read)) {
        if (read.count > kMaxDataFileRecords) __builtin_trap();
        TRecordTable imported(static_cast<size_t>(read.count));
        const size_t length = read.device.EmptyTemplate.size();
        for (size_t i = 0; i < imported.size(); ++i)
            imported[i].Raw = read.image.substr(i * length, length);
        ApplyUserLines(read.users, imported);
        MergeUserInfo(imported, kept);
    }
    return 0;
}
