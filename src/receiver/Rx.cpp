#include "receiver/Rx.h"

#include <algorithm>

#include "base/Hex.h"
#include "catalog/Catalog.h"
#include "link/Link.h"

namespace ravlin {

namespace {

constexpr int kDescriptorAddress = 0x0F00;
constexpr int kAreaBytes = 16;
constexpr int kReadTries = 3;
constexpr size_t kMaxPassword = 16;

}  // namespace

TRx::TRx(TLink& link, const TTextTable& texts, TUserInterface& ui, std::string dataDir)
    : link_(link), texts_(texts), ui_(ui), dataDir_(std::move(dataDir)) {}

std::string TRx::Hex4(int value) {
    return HexWord(static_cast<unsigned>(value));
}

std::string TRx::ReadFrame(char type, int address, int count) {
    return std::string(":0500000") + type + Hex4(address) + Hex4(address + count - 1) + "00";
}

bool TRx::HexToInt(const std::string& text, int& value) {
    uint32_t v = 0;
    if (!ParseHex(text, v)) return false;
    value = static_cast<int>(v);
    return true;
}

void TRx::HexToText(const std::string& hex, std::string& text) {
    text.clear();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int code = std::max(HexByteAt(hex, i), 0);
        text += code == 0 ? ' ' : static_cast<char>(code);
    }
    size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
}

int TRx::RecordCount(const TDevice& device) {
    int recordBytes = static_cast<int>(device.EmptyTemplate.size() / 2);
    int span = device.EndAddress - device.StartAddress + 1;
    if (recordBytes <= 0 || span <= 0) return 0;
    return span / recordBytes;
}

namespace {

// `count` hexadecimal digits of `text` from `at`, in upper case; false for any other
// character or a text too short.
bool TakeHexDigits(std::string_view text, size_t at, size_t count, std::string& out) {
    if (at > text.size() || text.size() - at < count) return false;
    std::string digits(text.substr(at, count));
    for (char& c : digits) {
        if (!IsHexDigit(c)) return false;
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
    out = std::move(digits);
    return true;
}

}  // namespace

bool ParseReadReply(std::string_view line, size_t digits, std::string& data) {
    if (line.size() != digits + 8 || line[digits + 5] != '\r' || line[digits + 6] != '\n')
        return false;
    return TakeHexDigits(line, 5, digits, data);
}

bool ParseStreamLine(std::string_view line, int address, std::string& data) {
    if (line.size() != 39 || line[37] != '\r' || line[38] != '\n') return false;
    if (line.compare(0, 4, TRx::Hex4(address)) != 0) return false;
    return TakeHexDigits(line, 5, 32, data);
}

bool TRx::ReadBlock(char type, int address, int count, std::string& data) {
    // The whole block must lie in the 16-bit address space: a last address above FFFF
    // would wrap round in the frame and read the wrong memory.
    if (address < 0 || address >= 0x10000 || count < 1 || address + count - 1 > 0xFFFF) {
        ui_.Error(TMessage::Lang(texts_, Text::AddressOutOfRange));
        return false;
    }
    if (type != '1' && type != '7' && type != '9') {
        ui_.Error(TMessage::Lang(texts_, Text::UnknownReadType));
        return false;
    }
    const std::string frame = ReadFrame(type, address, count);
    const size_t digits = 2 * static_cast<size_t>(count);
    for (int attempt = 0; attempt < kReadTries; ++attempt) {
        // A lost connection closes the link: no use retrying on it.
        if (attempt > 0 && !link_.IsOpen()) return false;
        std::string line;
        if (!link_.SendCommand(frame)) continue;
        if (!link_.ReceiveData(static_cast<int>(digits) + 8, line)) continue;
        // Data that is not hexadecimal is a garbled line, read again.
        if (ParseReadReply(line, digits, data)) return true;
    }
    return false;
}

bool TRx::ReadDescriptor() {
    const TMessage cannotRead = TMessage::Lang(texts_, Text::CommunicationError,
                                               " - " + TextAt(texts_, Text::ReadingIdentification));
    // Work on a copy: a failure leaves the description as it was.
    TDevice device = Device;
    std::string hex;
    if (!ReadBlock('1', kDescriptorAddress, kAreaBytes, hex) || hex.size() != 32) {
        ui_.Error(cannotRead);
        return false;
    }
    HexToInt(hex.substr(0, 4), device.StartAddress);
    HexToInt(hex.substr(4, 4), device.EndAddress);
    HexToInt(hex.substr(8, 4), device.OnlineAddress);
    HexToInt(hex.substr(12, 4), device.NameAddress);
    HexToInt(hex.substr(16, 4), device.PasswordAddress);

    if (!ReadBlock('9', device.NameAddress, kAreaBytes, hex)) {
        ui_.Error(cannotRead);
        return false;
    }
    HexToText(hex.substr(0, 16), device.Name);
    if (!ReadBlock('9', device.PasswordAddress, kAreaBytes, hex)) {
        ui_.Error(cannotRead);
        return false;
    }
    HexToText(hex, device.Password);

    if (!FindReceiverType(dataDir_, device.Name, true, device, texts_, ui_)) {
        ui_.Error(TMessage::Lang(texts_, Text::TypeNotInCatalogue));
        return false;
    }
    device.RecordCount = RecordCount(device);
    Device = device;
    return true;
}

bool TRx::Init() {
    if (!link_.IsOpen() && !link_.Open()) return false;
    return ReadDescriptor();
}

void TRx::DeInit() {
    link_.Close();
}

bool TRx::ReadName(std::string& name) {
    std::string hex;
    if (!ReadBlock('9', Device.NameAddress, kAreaBytes, hex)) return false;
    HexToText(hex.substr(0, 16), name);
    return true;
}

bool TRx::ReadPassword(std::string& password) {
    std::string hex;
    if (!ReadBlock('9', Device.PasswordAddress, kAreaBytes, hex)) return false;
    HexToText(hex, password);
    return true;
}

bool TRx::VerifyPassword() {
    std::string name, password;
    if (!ReadName(name) || !ReadPassword(password)) {
        ui_.Error(TMessage::Lang(texts_, Text::CommunicationError,
                                 " " + TextAt(texts_, Text::ReadingIdentification)));
        return false;
    }
    if (name == Device.Name && password == Device.Password) return true;
    ui_.Error(TMessage::Lang(texts_, Text::LoginChanged));
    return false;
}

bool TRx::WritePassword(const std::string& password) {
    // Checked first, so that a password that cannot be stored sends nothing at all.
    if (password.size() > kMaxPassword) {
        ui_.Error(TMessage::Lang(texts_, Text::NewPasswordTooLong));
        return false;
    }
    if (!VerifyPassword()) return false;
    std::string digits;
    for (char c : password) AppendHexByte(digits, static_cast<unsigned char>(c));
    digits.append(32 - digits.size(), '0');
    if (!link_.SendCommand(":10" + Hex4(Device.PasswordAddress) + "0A" + digits)) {
        ui_.Error(TMessage::Lang(texts_, Text::CommunicationError));
        return false;
    }
    return ReadDescriptor();
}

}  // namespace ravlin
