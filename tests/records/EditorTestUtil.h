#pragma once
// Fixture of the record editor tests: the delivered catalogues, function tables and
// transmitter types, and a recording user interface.

#include <gtest/gtest.h>

#include <memory>

#include "RecordTestUtil.h"
#include "RecordingUi.h"
#include "catalog/Catalog.h"
#include "records/RecordEditor.h"
#include "records/RecordHistory.h"

namespace ravlin::test {

class EditorFixture : public ::testing::Test {
  protected:
    TTextTable texts = NumberedTexts();
    TRecordingUi ui;
    TFunctionTable functionTable{DeliveredDataDir(), texts, ui};
    TDevice device;
    std::vector<TTx> types;

    // Receiver type `name` with its function table, the delivered transmitter types and an
    // editor over them.
    void Use(const std::string& name) {
        functionTable.SetFileName("RxFncUS.def");
        ASSERT_TRUE(functionTable.LoadFunctionTable(name));
        ASSERT_TRUE(DeliveredDevice(name, device));
        TSilentUi silent;
        ASSERT_TRUE(LoadTransmitterTypes(DeliveredDataDir(), "Tx.def", types, texts, silent));
        editor = std::make_unique<TRecordEditor>(texts, functionTable, device, ui);
    }

    // A used record of the current type: code, button, function code, channels, time.
    TData Record(const std::string& code = "x012345", const std::string& button = "1",
                 const std::string& output = "01", const std::string& channels = "01",
                 const std::string& time = "0000") {
        TData r = MakeEmptyRecord(device, 7);
        r.Empty = false;
        r.CodePrefix = code.substr(0, 2);
        r.Serial = code.substr(2);
        r.Button = button;
        r.Output = output;
        if (!r.Channels.empty()) r.Channels = channels;
        if (r.Time.size() == 4) r.Time = time;
        return r;
    }

    void Open(const TData& record) { editor->Open(record, types); }

    // Confirms and expects success; the result.
    TData Confirmed() {
        TData result;
        EXPECT_TRUE(editor->Confirm(result)) << ::testing::PrintToString(ui.Texts());
        return result;
    }

    std::vector<Text> Ids() const { return ui.Ids(); }

    std::unique_ptr<TRecordEditor> editor;
};

}  // namespace ravlin::test
