// upload FILE.rvl [--force | --merge]: logs in, opens the data file as the desktop program
// would, reads the receiver and compares, uploads and reads the written range back.
//
// The receiver may hold records the upload would remove or overwrite (transmitters learnt
// at the receiver since the file was downloaded): the upload is then refused with their
// list on stderr and exit status 1, unless --force uploads anyway or --merge first puts
// them into empty positions of the data file (which is saved) and uploads that. Records
// the receiver does not hold as written after the upload are listed on stderr (exit 1).

#include <cstdio>

#include "TransferCli.h"
#include "base/CodePage.h"
#include "receiver/UploadCheck.h"

namespace ravlin::cli {
namespace {

void PrintLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) std::fprintf(stderr, "%s\n", AnsiToUtf8(line).c_str());
}

// The upload question answered by the options; the read-back report on stderr.
class TCliReview : public TTransferReview {
  public:
    bool force = false, merge = false;
    bool refused = false;  // the upload was refused here (the list was printed)

    TUploadChoice AskUpload(const TUploadComparison& c) override {
        if (c.removed.empty()) return TUploadChoice::Upload;
        PrintLines(ComparisonLines(c));
        if (merge && !mergeAsked_) {
            mergeAsked_ = true;
            if (c.CanMerge()) return TUploadChoice::Merge;
            std::fprintf(stderr,
                         "ravlin-cli upload: the data file has %d empty positions for %zu "
                         "records of the receiver; nothing was written\n",
                         c.freeSlots, c.removed.size());
            refused = true;
            return TUploadChoice::Cancel;
        }
        if (force) return TUploadChoice::Upload;
        std::fprintf(stderr,
                     "ravlin-cli upload: refused: the receiver holds records the upload would "
                     "remove or overwrite (--force uploads anyway, --merge takes them into the "
                     "data file first)\n");
        refused = true;
        return TUploadChoice::Cancel;
    }
    void ReportReadBack(const std::vector<TReadBackDifference>& differences) override {
        PrintLines(ReadBackLines(differences));
    }

  private:
    bool mergeAsked_ = false;
};

int Upload(TContext& ctx) {
    const auto& args = ctx.options.args;
    TCliReview review;
    std::string file;
    for (const std::string& a : args) {
        if (a == "--force") {
            review.force = true;
        } else if (a == "--merge") {
            review.merge = true;
        } else if (a.empty() || a[0] == '-' || !file.empty()) {
            return UsageError("needs exactly one data file (and --force or --merge)");
        } else {
            file = a;
        }
    }
    if (file.empty()) return UsageError("needs exactly one data file");
    if (review.force && review.merge) return UsageError("--force and --merge exclude each other");
    if (!PrepareReceiverCommand(ctx)) return kFailed;
    TCore& core = *ctx.core;
    core.receiver.session.review = &review;
    bool ok = core.receiver.session.Login();
    if (ok) ok = OpenData(core, file);
    bool merged = false;
    if (ok) {
        ok = core.receiver.session.Upload();
        // The merged records are the data file's too; it is written also when the upload
        // failed afterwards, so that nothing the receiver held is lost.
        merged = core.receiver.session.Merged();
    }
    core.receiver.session.review = nullptr;
    core.receiver.link.Close();
    if (merged && !SaveData(core, file)) return kFailed;
    return ok ? kOk : kFailed;
}

}  // namespace
RAVLIN_CLI_COMMAND("upload",
                   "FILE.rvl [--force | --merge]   log in, compare and upload a data file to "
                   "the receiver",
                   Upload, {"--force", nullptr, "upload without comparing with the receiver first"},
                   {"--merge", nullptr, "take the receiver's changes into the upload"});
}  // namespace ravlin::cli
