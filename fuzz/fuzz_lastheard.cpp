// LastHeard.dat contents from the fuzzer. Whatever is read is written in the file's form;
// reading that back gives the same entries and writing them again the same bytes; the
// look-up of a record's last time works on whatever was read. An entry limit taken from
// the first byte stops the reader, which says so and keeps no more.
// max_len: 65536
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "online/LastHeard.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TTextTable texts(300, "t");
    TSilentUi ui;
    TLastHeard heard("", texts, ui);
    heard.ParseText(text);
    const std::string written = heard.FormatText();
    TLastHeard again("", texts, ui);
    if (again.ParseText(written) != TLogTake::Fits) std::abort();  // the header is always written
    if (again.Size() != heard.Size() || again.FormatText() != written) std::abort();

    const size_t limit = size ? data[0] % 16 : 0;
    TLastHeard capped("", texts, ui);
    const TLogTake took = capped.ParseText(text, limit);
    if (capped.Size() > limit) std::abort();
    if (took == TLogTake::Fits && capped.Size() != heard.Size()) std::abort();
    if (took == TLogTake::TooManyEntries && heard.Size() <= limit) std::abort();

    for (const auto& e : again.Entries()) {
        TData record;
        record.Empty = false;
        record.Serial = SerialKey(e.code);
        record.Button = e.button;
        const auto t = again.LastHeardOf(record);
        if (!t || *t < e.time) std::abort();  // a record of the code and button was heard
    }
    return 0;
}
