#pragma once
// TCore: the long-lived objects of the program that are not windows. The desktop
// program's main window, the command-line tool and the tests each own one.
//
// Members are constructed in the order declared: the language table first, so that every
// later member keeps a reference to the one table (a language reload is seen by all).

#include <string>

#include "app/AppState.h"
#include "base/Folders.h"
#include "app/Settings.h"
#include "base/UserInterface.h"
#include "catalog/Language.h"
#include "catalog/RxFunkce.h"
#include "link/Komunikace.h"
#include "receiver/Kom.h"
#include "receiver/Rx.h"
#include "receiver/Session.h"
#include "records/Data.h"

namespace ravlin {

struct TCore {
    TCore(TFolders folders, TUserInterface& ui);
    ~TCore();
    TCore(const TCore&) = delete;
    TCore& operator=(const TCore&) = delete;

    TFolders folders;
    TUserInterface& ui;
    TLanguage language;
    TIniFile ini;  // the settings file, folders.settingsFile
    TSettings settings;
    TKomunikace link;
    // The receiver: the current receiver type (TRx::Device, from a login or a data file),
    // the downloaded image and the upload image.
    TRx rx;
    TRxFnc rxFnc;
    TRecordTable table;
    TAppState state;
    // The transfer worker. Lives as long as the core; idle unless a download, upload or
    // on-line listening runs.
    TKom kom;
    // Login, Logout, Download, Upload, Password change.
    TSession session;

    const PopisType& texts() const { return language.Texts(); }
    // Takes the connection settings over into the link (after Load or a set-up dialog).
    void ApplySettings();
};

}  // namespace ravlin
