#pragma once
// The logged-in receiver: its description (TDevice) and the commands that read and
// write its memory through the link. Reports failures through TUserInterface:
// (Text::...)
//   AddressOutOfRange  address 10000 or above    UnknownReadType  unknown read type
//   CommunicationError + " - " + ReadingIdentification
//                      descriptor, name or password unreadable (ReadDescriptor)
//   TypeNotInCatalogue receiver type not in the catalogue
//   CommunicationError + " " + ReadingIdentification
//                      name or password unreadable (VerifyPassword)
//   LoginChanged       name or password changed since login
//   NewPasswordTooLong new password longer than 16 characters
//   CommunicationError password write failed
// ReadBlock itself shows nothing on a failed read; its callers report.

#include <string>
#include <string_view>

#include "base/UserInterface.h"
#include "catalog/Device.h"

namespace ravlin {

class TLink;

// The data of a block read's reply line: `digits` data digits after the 5 bytes that lead
// the line, then CR LF and one byte more (digits + 8 bytes in all). Hexadecimal digits of
// either case, given back in upper case; false for a garbled line (its length, its line
// end, a character that is no digit), which is read again.
bool ParseReadReply(std::string_view line, size_t digits, std::string& data);
// One line of the stream download: the address in 4 upper-case digits, one byte, 32 data
// digits, CR LF (39 bytes). Its 32 data digits in upper case; false for a line of another
// address or a garbled one.
bool ParseStreamLine(std::string_view line, int address, std::string& data);

class TRx {
  public:
    TRx(TLink& link, const TTextTable& texts, TUserInterface& ui, std::string dataDir);

    // The connected receiver. Filled by Init/ReadDescriptor, or from a data file.
    TDevice Device;
    // Downloaded memory (start to end address) as uppercase hex digits, two per byte.
    std::string Image;
    // Memory to upload, same form, produced by the codec's encoder.
    std::string UploadImage;
    // The receiver's memory as read before an upload (compared with UploadImage), same form.
    std::string ReceiverImage;
    // What the receiver returned when the written range of an upload was read back.
    std::string ReadBack;

    // Opens the link if it is closed, then ReadDescriptor. On failure the link is left
    // open; the caller closes it.
    bool Init();
    // Closes the link.
    void DeInit();
    // Descriptor at 0F00, name, password, catalogue lookup, RecordCount.
    bool ReadDescriptor();
    // Reads count bytes from address with read type '1', '7' or '9': data gets
    // 2*count uppercase hex digits. Up to 3 exchanges.
    bool ReadBlock(char type, int address, int count, std::string& data);
    // The decoded first 8 bytes of the name area.
    bool ReadName(std::string& name);  // original name: CtiName
    // The decoded password area.
    bool ReadPassword(std::string& password);  // original name: CtiPass
    // Writes a new password (at most 16 characters) after VerifyPassword, then re-reads the
    // descriptor.
    bool WritePassword(const std::string& password);  // original name: PisPass
    // Re-reads name and password; true when both equal Device.Name and Device.Password.
    bool VerifyPassword();  // original name: OverHeslo

    // Up to 8 hex digits (either case); the empty text gives 0. False, value unchanged,
    // for a longer text or any other character.
    static bool HexToInt(const std::string& text, int& value);
    // Digit pairs to characters: 00 becomes a space, trailing spaces are removed.
    // A pair that is not hexadecimal counts as 00.
    static void HexToText(const std::string& hex, std::string& text);
    // (EndAddress - StartAddress + 1) div record length in bytes; 0 without a template.
    static int RecordCount(const TDevice& device);
    // ":0500000" + type + start (4) + last (4) + "00".
    static std::string ReadFrame(char type, int address, int count);
    // 4 uppercase hex digits.
    static std::string Hex4(int value);

  private:
    TLink& link_;
    const TTextTable& texts_;
    TUserInterface& ui_;
    std::string dataDir_;
};

}  // namespace ravlin
