#pragma once
// TCore: the composition root of the program's long-lived objects that are not windows.
// The desktop program, the command-line tool and the tests each own one; it hands every
// subsystem the narrow context it needs (TSessionContext, TDocumentContext, ...) and no
// subsystem below app/ knows it.
//
// Members are constructed in the order declared: the language table first, so that every
// later member keeps a reference to the one table (a language reload is seen by all).
//
// Threads: the window thread owns everything here except what a running receiver command
// works with (the receiver's link, rx and transferWorker: see receiver/Session.h). The record
// table, the current receiver type and the state change only on the window thread.

#include <string>

#include "app/AppSetup.h"
#include "app/Settings.h"
#include "base/Folders.h"
#include "base/IniFile.h"
#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "document/AppState.h"
#include "document/Document.h"
#include "online/Battery.h"
#include "online/History.h"
#include "online/LastHeard.h"
#include "online/Supervision.h"
#include "receiver/Receiver.h"
#include "records/Data.h"
#include "records/RecordHistory.h"

namespace ravlin {

struct TCore {
    TCore(TFolders folders, TUserInterface& ui);
    TCore(const TCore&) = delete;
    TCore& operator=(const TCore&) = delete;

    TFolders folders;
    TUserInterface& ui;
    TLanguage language;
    TIniFile ini;  // the settings file, folders.settingsFile
    TSettings settings;
    // The function table of the current receiver type, for the views and the document.
    TFunctionTable functionTable;
    // The current receiver type (from a login or a data file) and the one record table.
    TDevice device;
    TRecordTable table;
    // The changes made to the table in the program since it was opened, downloaded, uploaded
    // or saved (undo and redo; the document's marks follow it).
    TRecordHistory recordHistory;
    TAppState state;
    // The program's receiver: its link, TRx, transfer worker and session. Its commands
    // change `device`, `table` and `state`; it reads the settings' Backup, VerifyDownload
    // and VerifyUpload, and its link holds a copy of the settings' connection.
    TReceiver receiver;
    // The logs of on-line mode in the home folder; each is read at start-up (the desktop
    // program) or by the command that uses it.
    THistory history;
    TBatteryLog battery;
    TLastHeard lastHeard;
    // Whoever follows the receptions of the program's receiver and the state of its link,
    // told by on-line mode and by the reception loop of ravlin-cli (online/Supervision.h).
    TReceptionListeners receptionListeners;

    const TTextTable& texts() const { return language.Texts(); }
    // Takes the connection settings over into the receiver's link (after Load or a set-up
    // dialog).
    void ApplySettings();
    // The document's view of the core.
    TDocumentContext DocumentContext();
    // What the application set-up reads and changes.
    TAppSetupContext AppSetupContext();
};

// The data file functions over the core's current receiver type, record table and login
// state (the command-line tool). The images are not kept.
bool SaveData(TCore& core, const std::string& fileName);
bool OpenData(TCore& core, const std::string& fileName);

}  // namespace ravlin
