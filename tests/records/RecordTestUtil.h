#pragma once
// Helpers of the record and data file tests: a language table whose texts name their
// numbers, temporary folders, files, the delivered catalogue and random records.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "base/UserInterface.h"
#include "catalog/Catalog.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "records/Codec.h"
#include "records/Data.h"

namespace ravlin::test {

// Text i is "L<i>", so a message shows which text it used.
inline TTextTable NumberedTexts() {
    TTextTable t;
    for (int i = 0; i < 400; ++i) t.push_back("L" + std::to_string(i));
    return t;
}

inline std::string DeliveredDataDir() {
    return RAVLIN_TEST_DATA_DIR;
}

class TTempDir {
  public:
    TTempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ravlin-rec-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        if (made) path_ = made;
    }
    ~TTempDir() {
        if (path_.empty()) return;
        std::error_code ec;
        // Folders a test made read-only must be writable again to be removed.
        for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
            ::chmod(e.path().c_str(), 0700);
        ::chmod(path_.c_str(), 0700);
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The delivered catalogue entry of `name` with the record count of its function table.
inline bool DeliveredDevice(const std::string& name, TDevice& device) {
    static const TTextTable texts = NumberedTexts();
    TSilentUi ui;
    TDevice d;
    if (!FindReceiverType(DeliveredDataDir(), name, false, d, texts, ui)) return false;
    d.Name = name;
    TFunctionTable functionTable(DeliveredDataDir(), texts, ui);
    functionTable.SetFileName("RxFncUS.def");
    if (!functionTable.LoadFunctionTable(name) || functionTable.RxName != name) return false;
    d.RecordCount = functionTable.RecordCount;
    d.UsedCount = d.RecordCount;
    device = d;
    return true;
}

inline std::string RandomHex(std::mt19937& rng, size_t n) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string s(n, '0');
    for (auto& c : s) c = kHex[rng() % 16];
    return s;
}

// Printable single-byte text without "#" (the data file's field separator).
inline std::string RandomText(std::mt19937& rng, size_t maxLength) {
    std::string s(rng() % (maxLength + 1), ' ');
    for (auto& c : s) {
        unsigned v;
        do v = 0x20 + rng() % 0xE0;
        while (v == '#' || v == 0x7F);
        c = static_cast<char>(v);
    }
    return s;
}

// A used record at `position`: random digits (never the empty template or the erased
// record) decoded with the type's map, and random user information.
inline TData RandomUsedRecord(const TDevice& device, int position, std::mt19937& rng) {
    std::string raw;
    do raw = RandomHex(rng, device.EmptyTemplate.size());
    while (raw == device.EmptyTemplate || raw == device.ErasedRecord);
    TDevice one = device;
    one.RecordCount = 1;
    TRecordTable t;
    DecodeImage(raw, one, t);
    TData r = t.at(0);
    r.Position = position;
    r.UserID = static_cast<int32_t>(rng()) % 100000;
    r.User1 = RandomText(rng, 20);
    r.User2 = RandomText(rng, 20);
    r.User3 = RandomText(rng, 5);
    r.User4 = RandomText(rng, 30);
    static const char kPrefix[] = "ABCDx0123456789";
    r.CodePrefix = {kPrefix[rng() % 15], kPrefix[rng() % 15]};
    r.TxType = rng() % 4 == 0 ? "-" : "Type " + RandomText(rng, 6);
    return r;
}

}  // namespace ravlin::test
