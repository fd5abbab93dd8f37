// Private clipboard form of records (bytes another program put on the clipboard): any
// input is refused or read; what is read is written again to the same form, and pasting
// it into a small table keeps every check.
// max_len: 65536

#include <cstddef>
#include <cstdint>
#include <string>

#include "catalog/Catalog.h"
#include "catalog/FunctionTable.h"
#include "records/Codec.h"
#include "records/RecordClipboard.h"
#include "records/RecordHistory.h"

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
    TClipRecords clip;
    if (!ParseRecords(text, clip)) return 0;
    TClipRecords again;
    if (!ParseRecords(SerializeRecords(clip.typeName, clip.records), again)) __builtin_trap();
    if (again.typeName != clip.typeName || again.records.size() != clip.records.size())
        __builtin_trap();
    for (size_t i = 0; i < clip.records.size(); ++i)
        if (!SameRecord(again.records[i], clip.records[i])) __builtin_trap();

    // Paste into a table of the delivered type the records name (KV2R otherwise).
    static TCountingUi ui;
    TDevice device;
    const std::string type = clip.typeName == "KV1M" ? "KV1M" : "KV2R";
    if (!FindReceiverType(RAVLIN_SOURCE_DATA_DIR, type, false, device, Texts(), ui))
        __builtin_trap();
    device.Name = type;
    device.RecordCount = 6;
    device.UsedCount = 2;
    TFunctionTable functionTable(RAVLIN_SOURCE_DATA_DIR, Texts(), ui);
    functionTable.SetFileName("RxFncUS.def");
    if (!functionTable.LoadFunctionTable(type)) __builtin_trap();
    TRecordTable table;
    for (int p = 1; p <= device.RecordCount; ++p) table.push_back(MakeEmptyRecord(device, p));
    const TPasteResult result = PasteRecords(table, device, functionTable, clip, Texts(), ui);
    if (result.pasted + result.refused != static_cast<int>(clip.records.size()) &&
        clip.typeName == device.Name)
        __builtin_trap();
    ApplyChange(result.change, table, device, true);
    if (table.size() != 6) __builtin_trap();
    // Whatever was pasted encodes.
    std::string image;
    if (!EncodeImage(device, table, image, ui)) __builtin_trap();
    if (image.size() != 6 * device.EmptyTemplate.size()) __builtin_trap();
    return 0;
}
