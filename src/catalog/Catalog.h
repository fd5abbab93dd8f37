#pragma once
// The receiver catalogue (Rx.def) and the transmitter catalogue (Tx.def).
// Both are read afresh on every call; nothing is cached.
//
// Messages (error boxes):
//   Text::CannotOpen + " - " + file   the catalogue cannot be opened
//   Text::WrongFormat + " - " + file  wrong format
// FindReceiverType names the file "Rx.def", ListReceiverTypes the full path it was given,
// LoadTransmitterTypes the file name it was given.

#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"

namespace ravlin {

// Looks up the section `name` (compared exactly) in dataDir/Rx.def and fills the catalogue
// fields of `device`: Description, Outputs, EmptyTemplate, ErasedRecord, DecodeMap,
// EncodeMap, and BlockSize when `readBlockSize`. Other fields are left as given.
// False without a message when no section carries the name (the caller reports it).
// On false `device` is exactly as the caller passed it: nothing half-filled.
bool FindReceiverType(const std::string& dataDir, const std::string& name, bool readBlockSize,
                      TDevice& device, const TTextTable& texts, TUserInterface& ui);

// Name and description of every section of the file at `path`, numbered in file order
// from 0. Empty list (after CannotOpen) when the file cannot be opened.
std::vector<TRxArray> ListReceiverTypes(const std::string& path, const TTextTable& texts,
                                        TUserInterface& ui);

// Reads dir/fileName into `types` (cleared first). On a format error (WrongFormat) the types read
// up to then stay in the list; the entry that was being read keeps its name but gets
// Count 0, so that the editor treats it as no type.
bool LoadTransmitterTypes(const std::string& dir, const std::string& fileName,
                          std::vector<TTx>& types, const TTextTable& texts, TUserInterface& ui);

// The same readers over text already in memory (fuzzing, tests). `fileLabel` is the name
// that follows " - " in the messages.
bool ParseReceiverType(const std::string& text, const std::string& name, bool readBlockSize,
                       TDevice& device, const std::string& fileLabel, const TTextTable& texts,
                       TUserInterface& ui);
std::vector<TRxArray> ParseReceiverTypeList(const std::string& text);
bool ParseTransmitterTypes(const std::string& text, std::vector<TTx>& types,
                           const std::string& fileLabel, const TTextTable& texts,
                           TUserInterface& ui);

namespace catalog_detail {
// Splits file text into lines: LF ends a line, a CR before it is dropped, a last line
// without LF counts. Trailing empty lines are dropped (an editor's stray blank line at the
// end of a delivered file is no entry).
std::vector<std::string> SplitLines(const std::string& text);
// Whole file into `text`; false when it is not a regular file or cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);
// A decimal number, optional sign, the whole text, within 32 bits.
bool ParseInt(const std::string& text, int& value);
// dir + "/" + name (no separator doubled).
std::string JoinPath(const std::string& dir, const std::string& name);
}  // namespace catalog_detail

}  // namespace ravlin
