#include "catalog/Catalog.h"

#include "base/AtomicFile.h"
#include "base/Decimal.h"
#include "base/TextLines.h"

namespace ravlin {

namespace catalog_detail {

std::vector<std::string> SplitLines(const std::string& text) {
    const std::vector<std::string_view> lines = ravlin::SplitLines(text);
    return {lines.begin(), lines.end()};
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    // Catalogues and function tables are some kilobytes; far more is not one.
    return ravlin::ReadWholeFile(path, text, 16u << 20) == 0;
}

bool ParseInt(const std::string& text, int& value) {
    return ParseDecimal(text, value);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

}  // namespace catalog_detail

using namespace catalog_detail;

namespace {

// Sequential reader with the old text-file semantics: reading past the end gives empty
// lines, and Eof() tells whether any line is left.
class TCatalogReader {
  public:
    explicit TCatalogReader(const std::string& text) : lines_(SplitLines(text)) {}
    bool Eof() const { return next_ >= lines_.size(); }
    std::string Read() { return Eof() ? std::string() : lines_[next_++]; }

  private:
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

// Characters `from` (1-based) to `from + count - 1`, cut at the end of the text.
std::string Copy(const std::string& s, size_t from, size_t count) {
    if (from < 1 || from > s.size()) return {};
    return s.substr(from - 1, count);
}

// Reads lines 2 to 6 (and 7) of a section whose name line matched into `device`.
bool ReadSection(TCatalogReader& in, bool readBlockSize, TDevice& device) {
    device.Description = in.Read();
    if (device.Description.empty()) return false;
    int outputs = 0;
    // A negative output count has no meaning for the views and the editor.
    if (!ParseInt(in.Read(), outputs) || outputs < 0) return false;
    device.Outputs = outputs;
    device.EmptyTemplate = in.Read();
    if (device.EmptyTemplate.empty()) return false;
    device.ErasedRecord.assign(device.EmptyTemplate.size(), 'F');
    const size_t mapLength = 4 * device.EmptyTemplate.size();
    device.DecodeMap = in.Read();
    if (device.DecodeMap.size() != mapLength) return false;
    device.EncodeMap = in.Read();
    if (device.EncodeMap.size() != mapLength) return false;
    if (readBlockSize) {
        int blockSize = 0;
        // The upload erases memory in steps of this size: zero or less would never advance.
        if (!ParseInt(in.Read(), blockSize) || blockSize <= 0) return false;
        device.BlockSize = blockSize;
    }
    return true;
}

void SkipToSectionEnd(TCatalogReader& in) {
    while (!in.Eof()) {
        if (in.Read() == "#E") return;
    }
}

}  // namespace

bool ParseReceiverType(const std::string& text, const std::string& name, bool readBlockSize,
                       TDevice& device, const std::string& fileLabel, const TTextTable& texts,
                       TUserInterface& ui) {
    TCatalogReader in(text);
    while (!in.Eof()) {
        const std::string line = in.Read();
        if (line == name) {
            // Fill a copy: the caller's record changes only when the whole entry is good.
            TDevice found = device;
            if (!ReadSection(in, readBlockSize, found)) {
                ui.Error(TMessage::Lang(texts, Text::WrongFormat, " - " + fileLabel));
                return false;
            }
            device = std::move(found);
            return true;
        }
        // A section without its "#E" line swallows the next one: its name is never compared.
        SkipToSectionEnd(in);
    }
    return false;
}

bool FindReceiverType(const std::string& dataDir, const std::string& name, bool readBlockSize,
                      TDevice& device, const TTextTable& texts, TUserInterface& ui) {
    std::string text;
    if (!catalog_detail::ReadWholeFile(JoinPath(dataDir, "Rx.def"), text)) {
        ui.Error(TMessage::Lang(texts, Text::CannotOpen, " - Rx.def"));
        return false;
    }
    return ParseReceiverType(text, name, readBlockSize, device, "Rx.def", texts, ui);
}

std::vector<TRxArray> ParseReceiverTypeList(const std::string& text) {
    std::vector<TRxArray> list;
    TCatalogReader in(text);
    while (!in.Eof()) {
        TRxArray entry;
        entry.Name = in.Read();
        entry.Description = in.Read();
        entry.Position = static_cast<int>(list.size());
        list.push_back(std::move(entry));
        SkipToSectionEnd(in);
    }
    return list;
}

std::vector<TRxArray> ListReceiverTypes(const std::string& path, const TTextTable& texts,
                                        TUserInterface& ui) {
    std::string text;
    if (!catalog_detail::ReadWholeFile(path, text)) {
        ui.Error(TMessage::Lang(texts, Text::CannotOpen, " - " + path));
        return {};
    }
    return ParseReceiverTypeList(text);
}

namespace {

// Reads the type line and the button or input lines of `tx`; false on a value that is not
// a number.
bool ReadTransmitterBody(TCatalogReader& in, TTx& tx) {
    const std::string typeLine = in.Read();
    tx.HasButtons = !typeLine.empty() && typeLine[0] == 'B';
    int count = 0;
    if (!ParseInt(Copy(typeLine, 2, 1), count)) return false;
    tx.Count = count;
    tx.CodePrefix = Copy(typeLine, 3, 2);
    if (tx.HasButtons) {
        // Always four button lines, whatever the count.
        for (auto& button : tx.Buttons) {
            const std::string line = in.Read();
            button.Visible = !line.empty() && line[0] == 'V';
            if (!ParseInt(Copy(line, 2, 2), button.Top)) return false;
            if (!ParseInt(Copy(line, 4, 2), button.Left)) return false;
            if (!ParseInt(Copy(line, 6, std::string::npos), button.Value)) return false;
        }
    } else {
        for (int i = 0; i < tx.Count; ++i) {
            const std::string line = in.Read();
            TInput input;
            if (!ParseInt(Copy(line, 1, 2), input.Value)) return false;
            input.Name = Copy(line, 4, std::string::npos);
            tx.Inputs.push_back(std::move(input));
        }
    }
    return true;
}

}  // namespace

bool ParseTransmitterTypes(const std::string& text, std::vector<TTx>& types,
                           const std::string& fileLabel, const TTextTable& texts,
                           TUserInterface& ui) {
    types.clear();
    TCatalogReader in(text);
    do {
        TTx tx;
        tx.Name = in.Read();
        types.push_back(std::move(tx));
        if (!ReadTransmitterBody(in, types.back())) {
            // The half-read entry stays visible by name but counts as no type.
            types.back().Count = 0;
            ui.Error(TMessage::Lang(texts, Text::WrongFormat, " - " + fileLabel));
            return false;
        }
    } while (!in.Eof());
    return true;
}

bool LoadTransmitterTypes(const std::string& dir, const std::string& fileName,
                          std::vector<TTx>& types, const TTextTable& texts, TUserInterface& ui) {
    types.clear();
    std::string text;
    if (!catalog_detail::ReadWholeFile(JoinPath(dir, fileName), text)) {
        ui.Error(TMessage::Lang(texts, Text::CannotOpen, " - " + fileName));
        return false;
    }
    return ParseTransmitterTypes(text, types, fileName, texts, ui);
}

}  // namespace ravlin
