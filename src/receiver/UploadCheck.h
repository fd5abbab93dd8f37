#pragma once
// What an upload would change in the receiver, and what the receiver holds after it.
//
// Before an upload the receiver's record area is read and compared, record by record, with
// the memory the upload would write. Records are matched by their record key (the
// transmitter and button they stand for), not by position: packing moves records, and a
// moved record is not lost. A record of the receiver that has no counterpart in the upload
// would be removed or overwritten: such records are listed first, with their codes and the
// users the document knows for them, and may be merged into empty positions of the
// document before the upload (nothing is overwritten).
//
// After an upload the written range is read back; a record the receiver does not hold as
// written is a TReadBackDifference.
//
// The core never shows a window: TTransferReview is the desktop program's question window
// and result window, and the command line's stderr lines and exit status.

#include <string>
#include <vector>

#include "catalog/Device.h"
#include "records/Data.h"

namespace ravlin {

// One record of the comparison. Positions are 1-based memory positions, 0 where the side
// does not hold the record.
struct TRecordDiff {
    int receiverPosition = 0;
    int uploadPosition = 0;
    std::string code;        // transmitter code (prefix and serial)
    std::string button;      // button digit(s)
    std::string user;        // "12 Flat 3": user number and first text, where known
    std::string held;        // the record's digits in the receiver
    std::string written;     // the record's digits in the upload
    std::string replacedBy;  // removed: the code the upload writes at its position, if any
};

struct TUploadComparison {
    std::vector<TRecordDiff> removed;  // in the receiver, not in the upload
    std::vector<TRecordDiff> added;    // in the upload, not in the receiver
    std::vector<TRecordDiff> changed;  // the same transmitter button, other content
    std::vector<TRecordDiff> moved;    // the same content at another position
    int unchanged = 0;
    int freeSlots = 0;  // empty positions of the upload: room for merged records

    // Nothing would change in the receiver.
    bool Same() const {
        return removed.empty() && added.empty() && changed.empty() && moved.empty();
    }
    // The receiver's extra records fit into the empty positions of the document.
    bool CanMerge() const {
        return !removed.empty() && static_cast<int>(removed.size()) <= freeSlots;
    }
};

// `receiver` and `upload` are decoded images of one receiver type (Empty set by the
// decoder), with the user information the document knows merged in.
TUploadComparison CompareUpload(const TRecordTable& receiver, const TRecordTable& upload);

// The comparison as text lines (the removed records first), for the question window, the
// command line and `ravlin-cli diff`.
std::vector<std::string> ComparisonLines(const TUploadComparison& comparison);

// Puts the receiver records the upload would remove into the empty positions of `table`
// (in order of position), with their user information. False, `table` unchanged, when
// they do not all fit.
bool MergeReceiverRecords(const TUploadComparison& comparison, const TRecordTable& receiver,
                          TRecordTable& table);

struct TReadBackDifference {
    int position = 0;  // 1-based memory position
    std::string code;
    std::string user;
    std::string written;  // what the upload wrote (the part of the record that was written)
    std::string held;     // what the receiver returned there
};

// Records of the written range (the first readBack.size() digits) whose digits differ;
// `upload` is the decoded upload image with the document's user information.
std::vector<TReadBackDifference> CompareReadBack(const std::string& uploadImage,
                                                 const std::string& readBack, const TDevice& device,
                                                 const TRecordTable& upload);

std::vector<std::string> ReadBackLines(const std::vector<TReadBackDifference>& differences);

enum class TUploadChoice { Cancel, Upload, Merge };

// Implemented by the desktop program (windows) and the command-line tool (stderr lines
// and options). Called on the thread that runs the upload; the link stays open meanwhile.
class TTransferReview {
  public:
    virtual ~TTransferReview() = default;
    // The upload question (Text::OverwriteReceiver) with what the upload would change. Merge is
    // offered only when comparison.CanMerge().
    virtual TUploadChoice AskUpload(const TUploadComparison& comparison) = 0;
    // The records the receiver does not hold as written after an upload.
    virtual void ReportReadBack(const std::vector<TReadBackDifference>& differences) = 0;
};

}  // namespace ravlin
