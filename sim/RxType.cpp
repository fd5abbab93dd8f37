#include "RxType.h"

#include "base/Folders.h"
#include "base/UserInterface.h"
#include "catalog/Catalog.h"
#include "document/DataFile.h"

namespace ravlin::sim {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = s[s.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

}  // namespace

bool FindRxType(const std::string& dataDir, const std::string& type, TRxTypeInfo& info,
                std::string& why) {
    // The catalogue reader reports through a user interface; keep its last word.
    struct TCollect : TUserInterface {
        std::string last;
        void Error(const TMessage& m) override { last = m.text; }
        TAnswer Ask(const TMessage&, TButtons) override { return TAnswer::No; }
    } ui;
    TTextTable texts(200);
    SetText(texts, Text::CannotOpen, "cannot open the receiver catalogue");
    SetText(texts, Text::WrongFormat, "wrong format of the receiver catalogue");
    const std::string dir = TFolders::Resolve(dataDir, "/nonexistent").dataDir;
    TDevice device;
    if (!FindReceiverType(dir, type, true, device, texts, ui)) {
        why = ui.last.empty() ? "type " + type + " not in " + dir + "/Rx.def"
                              : ui.last + " (" + dir + ")";
        return false;
    }
    if (device.EmptyTemplate.size() % 2 != 0) {
        why = "odd record template of " + type + " in " + dir + "/Rx.def";
        return false;
    }
    info.recordBytes = static_cast<int>(device.EmptyTemplate.size() / 2);
    info.blockSize = device.BlockSize;
    return true;
}

bool LoadDataFile(const std::string& path, std::vector<uint8_t>& data, std::string& typeName,
                  std::string& why) {
    if (!EndsWith(path, ".rvl")) return false;
    std::string image;
    if (!PeekDataFile(path, typeName, image, why)) return false;
    data.clear();
    for (size_t i = 0; i + 1 < image.size(); i += 2)
        data.push_back(static_cast<uint8_t>(std::stoi(image.substr(i, 2), nullptr, 16)));
    return true;
}

}  // namespace ravlin::sim
