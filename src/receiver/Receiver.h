#pragma once
// TReceiver: one receiver as the program talks to it — its link, TRx, transfer worker and
// session — with the receiver type, record table and state its commands read and change.
//
// The program's receiver (TCore) works on the program's document: its target is the
// window side's type, table and state. Any other receiver (a site's receivers downloaded
// side by side, a test) keeps a target of its own. Two receivers share only what their
// contexts hand them read-only (language, folders, settings), so each may run its commands
// on its own thread at the same time; the user interface may be shared only when it is
// safe to call from both threads.
//
// Threads: as TSession. A command runs on one thread at a time; Begin and Commit run on the
// thread that owns the target.

#include <memory>

#include "base/Folders.h"
#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "catalog/Language.h"
#include "document/AppState.h"
#include "link/Link.h"
#include "receiver/Rx.h"
#include "receiver/Session.h"
#include "receiver/TransferWorker.h"
#include "records/Data.h"

namespace ravlin {

// What a receiver takes from the program. The settings are the ones its commands read
// when they run: the program's own for the program's receiver.
struct TReceiverContext {
    const TLanguage& language;  // the texts and the function table file
    const TFolders& folders;    // Rx.def and the function tables; Backup/
    TUserInterface& ui;
    const bool& backup;          // a backup file on every download
    const bool& verifyDownload;  // a block download is read twice
    const bool& verifyUpload;    // an upload is read back
};

// The target of a receiver that keeps its own.
struct TReceiverData {
    TDevice device;
    TRecordTable table;
    TAppState state;
};

class TReceiver {
  public:
    // A receiver whose commands change `target` (the program's document side).
    TReceiver(const TReceiverContext& context, const TSessionTarget& target);
    // A receiver with its own type, records and state.
    explicit TReceiver(const TReceiverContext& context);
    ~TReceiver();
    TReceiver(const TReceiver&) = delete;
    TReceiver& operator=(const TReceiver&) = delete;

  private:
    TReceiver(const TReceiverContext& context, std::unique_ptr<TReceiverData> own,
              const TSessionTarget* outside);
    // Declared first: the target of a receiver of its own refers to it.
    std::unique_ptr<TReceiverData> own_;

  public:
    // What the commands read and change (through Begin and Commit).
    const TSessionTarget target;
    // Its Settings are this receiver's connection (the program's receiver gets a copy of
    // the program's settings after they are loaded or changed).
    TLink link;
    // The logged-in receiver's description and the memory images.
    TRx rx;
    // Idle unless a download, upload or on-line listening runs.
    TTransferWorker transferWorker;
    // Login, Logout, Download, Upload, Password change.
    TSession session;

    // The current receiver type: the logged-in receiver's, or its document's.
    const TDevice& Type() const { return target.device; }
};

}  // namespace ravlin
