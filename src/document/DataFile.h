#pragma once
// Data files (*.rvl): the receiver type's name, the record count, the memory image and
// two lines of user information per position. One writer (SaveData) and three readers
// (Open, OpenAndMerge, ImportComments) over one line parser.
//
// Messages (error boxes, Text::...), each followed by " - " + the file name:
//   CannotOpen      the file cannot be opened or created
//   UnknownType     the receiver type is not in Rx.def
//   WrongFormat     line 2, or the record lines (once per file)
//   OtherType       another receiver type than the logged-in one
//   TooManyRecords  more records than it holds
//   WrongLength     the image line has the wrong length
// A write that fails after the file was created reports the system's error text
// (TMessage::Fixed(strerror + " - " + file name)); the previous file stays as it was.

#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "records/Data.h"

namespace ravlin {

// Most records a data file holds: its position field has four digits. A file that declares
// more is refused with WrongFormat.
inline constexpr int kMaxDataFileRecords = 9999;

// Where the readers find Rx.def, and how they report.
struct TDataFileEnv {
    std::string dataDir;
    const TTextTable& texts;
    TUserInterface& ui;
};

// User information of one record line pair, as read.
struct TUserLines {
    bool userIdRead = false;  // UserID held a number
    int32_t UserID = 0;
    int userTexts = 0;  // how many of User1..User4 the line gave (fields ended by "#")
    std::string User[4];
    // Fields beyond the fourth: a receiver's text with "#" written whole by an earlier
    // writer split its field (see ApplyUserLines).
    std::vector<std::string> more;
    bool haveLine2 = false;  // the second line of the pair exists
    std::string CodePrefix, TxType;
};

// Everything the common parser takes from a file.
struct TDataFileRead {
    TDevice device;                 // the file's type from the catalogue, RecordCount = count
    int count = 0;                  // line 2
    std::string image;              // line 3
    std::vector<TUserLines> users;  // one per record line pair, positions 1, 2, ...
    bool recordError = false;       // a record line was in error (reported once)
};

// The common parser over file text. `loggedIn` non-null: the file must be of its type
// (OtherType) and hold no more records than it (TooManyRecords). False after the refusing
// message.
bool ParseDataFile(const std::string& text, const std::string& fileLabel, const TDataFileEnv& env,
                   const TDevice* loggedIn, TDataFileRead& out);
// The user information read into records 1.. of `table` (records beyond it are ignored).
// `textHolding`: the table was decoded for a text-holding receiver type, so User1 holds
// the receiver's own text; it stays whole where the file's first field is that text as the
// file carries it (see FileText), or that text split at its "#" by an earlier writer (the
// fields after it are then the other texts). Any other first field replaces it, as for
// every other type.
void ApplyUserLines(const std::vector<TUserLines>& users, TRecordTable& table,
                    bool textHolding = false);
// A text as a field of a record line: "#" ends a field and a line feed a line, so both are
// written as blanks (nothing is escaped in these files). The receiver's own texts of the
// text-holding types, which may hold any byte, are kept whole in the memory image.
std::string FileText(const std::string& text);
// The file text SaveData writes for an already encoded table and its image.
std::string FormatDataFile(const TDevice& device, const TRecordTable& table,
                           const std::string& image);
// Position field: the decimal position left-aligned in four characters.
std::string PositionField(int position);

// Encodes the table (packing it) and writes the file (WriteFileAtomically). `image` receives the
// encoded image. False (after its message) leaves an existing file byte for byte as it was; an
// existing file that is not writable is refused with CannotOpen.
bool SaveData(const std::string& fileName, TDevice& device, TRecordTable& table, std::string& image,
              const TTextTable& texts, TUserInterface& ui);

// Opens a data file. Not logged in: the file's type becomes `device`. Logged in: the file
// must be of `device`'s type and fit into it; the image is filled up with empty records.
// `image` receives the (filled-up) image; the table is decoded from it and takes the
// file's user information. Refused files leave device, table and image unchanged.
bool OpenData(const std::string& fileName, const TDataFileEnv& env, bool loggedIn,
              TDevice& device,  // original name: Otevri
              TRecordTable& table, std::string& image);
// The same over file text already in memory (fuzzing, tests).
bool OpenDataText(const std::string& text, const std::string& fileLabel, const TDataFileEnv& env,
                  bool loggedIn, TDevice& device, TRecordTable& table, std::string& image);

// Merges the user information of a data file (of any type) into `table` by record key:
// only unset fields are filled (UserID 0, empty texts, TxType "-", CodePrefix "x0").
bool ImportComments(const std::string& fileName, const TDataFileEnv& env, TRecordTable& table);
// The merge on its own: `from` into `table`.
void MergeUserInfo(const TRecordTable& from, TRecordTable& table);
// Record key: characters 3 to 8 of Raw.
std::string RecordKey(const TData& record);

// Open, then (when it succeeded and `mergeFrom` is not empty) ImportComments of
// `mergeFrom`, the document's previous file.
bool OpenAndMerge(const std::string& fileName, const std::string& mergeFrom,
                  const TDataFileEnv& env, bool loggedIn, TDevice& device, TRecordTable& table,
                  std::string& image);

// The type name and the image of a data file, without the catalogue and without touching
// any state (the simulator loads receivers from data files). False with `why` set when the
// file cannot be read or its first three lines are malformed.
bool PeekDataFile(const std::string& fileName, std::string& typeName, std::string& image,
                  std::string& why);

}  // namespace ravlin
