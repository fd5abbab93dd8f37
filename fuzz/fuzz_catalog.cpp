// Rx.def and Tx.def readers over arbitrary text. The first line is also the name looked up.
// max_len: 65536
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalog/Catalog.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string name = text.substr(0, text.find_first_of("\r\n"));
    TTextTable texts(100, "text");
    TSilentUi ui;

    for (bool withBlock : {false, true}) {
        TDevice device;
        device.Description = "kept";
        if (ParseReceiverType(text, name, withBlock, device, "Rx.def", texts, ui)) {
            if (device.ErasedRecord.size() != device.EmptyTemplate.size() ||
                device.DecodeMap.size() != 4 * device.EmptyTemplate.size() ||
                device.EncodeMap.size() != device.DecodeMap.size() || device.Outputs < 0 ||
                (withBlock && device.BlockSize <= 0))
                __builtin_trap();
        } else if (device.Description != "kept" || !device.EmptyTemplate.empty()) {
            __builtin_trap();  // a failed look-up must not touch the record
        }
    }
    const auto list = ParseReceiverTypeList(text);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].Position != static_cast<int>(i)) __builtin_trap();

    std::vector<TTx> types;
    const bool ok = ParseTransmitterTypes(text, types, "Tx.def", texts, ui);
    for (size_t i = 0; i < types.size(); ++i) {
        const TTx& tx = types[i];
        if (tx.Count < 0 || tx.Count > 9 || tx.CodePrefix.size() > 2) __builtin_trap();
        const bool last = i + 1 == types.size();
        // Every complete input type has exactly its inputs; a failed one counts as none.
        if (!tx.HasButtons && (ok || !last) && tx.Inputs.size() != static_cast<size_t>(tx.Count))
            __builtin_trap();
        if (!ok && last && tx.Count != 0) __builtin_trap();
    }
    return 0;
}
