// Site book texts from the fuzzer: a book is either refused with a reason or read, and a
// book read is written back into a text that reads as the same book.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "site/SiteBook.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kSiteBookLimit) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    TSiteBook book;
    std::string why;
    if (!ParseSiteBook(text, book, why)) {
        if (why.empty()) std::abort();
        return 0;
    }
    const std::string written = FormatSiteBook(book);
    TSiteBook again;
    if (!ParseSiteBook(written, again, why)) std::abort();
    if (FormatSiteBook(again) != written) std::abort();
    return 0;
}
