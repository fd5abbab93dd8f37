#pragma once
// Where the program finds its delivered files and keeps its writable state.
//
// Data folder (read-only: *.lng, Rx.def, Tx.def, RxFnc*.def, Sounds/), first that applies:
//   --data-dir DIR, $RAVLIN_DATA_DIR, <exe dir>/data (build tree),
//   the installed data folder seen from the installed executable (share/ravlin beside
//   bin/), <exe dir>/../share/ravlin, the source tree's data/ folder.
// Home folder (writable: Backup/, History.dat, LowBatt.dat) and the settings file:
//   --home DIR or $RAVLIN_HOME puts everything into DIR (RavlinProj.ini included);
//   otherwise $XDG_DATA_HOME/ravlin (~/.local/share/ravlin) for state and
//   $XDG_CONFIG_HOME/ravlin/RavlinProj.ini (~/.config/ravlin) for the settings; ~ is $HOME,
//   or the account's home folder when HOME is not set. Without either the folders are not
//   known (Problem() says so): nothing falls back to a shared folder such as /tmp.

#include <string>

namespace ravlin {

struct TFolders {
    std::string dataDir;       // without a trailing '/'
    std::string homeDir;       // without a trailing '/'
    std::string settingsFile;  // full path of RavlinProj.ini

    std::string DataFile(const std::string& name) const { return dataDir + "/" + name; }
    std::string HomeFile(const std::string& name) const { return homeDir + "/" + name; }
    std::string BackupDir() const { return homeDir + "/Backup"; }

    // Resolves the folders. Empty arguments mean "not given on the command line".
    static TFolders Resolve(const std::string& dataDirOption, const std::string& homeOption);
    // Creates the home folder, the settings file's folder and Backup/ when missing.
    bool MakeWritable() const;
    // Why the home folder is not known (homeDir empty: the programs stop with it); empty
    // when it is.
    std::string Problem() const;
};

// Folder of the running executable, from /proc/self/exe; empty when unknown.
std::string ExecutableDir();
// mkdir -p; true when the folder exists afterwards.
bool MakeDirs(const std::string& path);

}  // namespace ravlin
