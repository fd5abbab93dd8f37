// Language file contents from the fuzzer: loading must never crash, never read or write
// outside the table, and must keep the table at the head's count.
// max_len: 65536
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog/Language.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    TSilentUi ui;
    TLanguage lang("/nonexistent-ravlin-data", ui);
    // A first, complete table, so that the fuzzed file also exercises keeping old texts.
    std::string base = "010\r\n";
    for (int i = 0; i < 10; ++i) base += "00" + std::to_string(i) + " base\r\n";
    if (!lang.LoadLanguageText("US", base)) std::abort();
    struct TCounter : TLanguageListener {
        int count = 0;
        void LanguageLoaded() override { ++count; }
    } counter;
    lang.SetListener(&counter);
    const int& loaded = counter.count;

    const bool ok = lang.LoadLanguageText("DE", content);
    if (ok != (loaded == 1)) std::abort();
    if (ok) {
        if (lang.Code() != "DE" || lang.FunctionTableFile() != "RxFncUS.def") std::abort();
        // The head's count, as the first three characters give it.
        std::string head = content.substr(0, content.find('\n'));
        if (!head.empty() && head.back() == '\r') head.pop_back();
        int count = 0;
        for (size_t i = 0; i < 3 && i < head.size(); ++i)
            if (head[i] >= '0' && head[i] <= '9') count = count * 10 + (head[i] - '0');
        if (lang.Texts().size() != static_cast<size_t>(count)) std::abort();
        for (const std::string& t : lang.Texts())
            if (t.find('\n') != std::string::npos) std::abort();
    } else if (lang.Code() != "US") {
        std::abort();
    }
    // Reading any index is safe.
    for (int i = -2; i < 1002; ++i) (void)lang.Entry(i).size();
    return 0;
}
