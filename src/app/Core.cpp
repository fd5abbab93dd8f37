#include "app/Core.h"

#include "document/DataFile.h"
#include "link/Serial.h"

namespace ravlin {

TCore::TCore(TFolders folders_, TUserInterface& ui_)
    : folders(std::move(folders_)),
      ui(ui_),
      language(folders.dataDir, ui),
      ini(folders.settingsFile),
      link(language.Texts(), ui),
      rx(link, language.Texts(), ui, folders.dataDir),
      rxFnc(folders.dataDir, language.Texts(), ui),
      kom(rx, link, ui, language.Texts()),
      session(TSessionContext{link, rx, kom, language, folders, ui, settings.Backup,
                              settings.VerifyDownload, settings.VerifyUpload},
              TSessionTarget{device, table, state}),
      history(folders.HomeFile(THistory::kFileName), language.Texts(), ui),
      battery(folders.HomeFile(TBatt::kFileName), language.Texts(), ui),
      lastHeard(folders.HomeFile(TLastHeard::kFileName), language.Texts(), ui) {}

TCore::~TCore() {
    // The worker must not be listening on a link that goes away.
    kom.StopOnline();
    link.Zavri();
}

void TCore::ApplySettings() {
    link.Settings = settings.Connection;
    link.NastavIni();
    SetSerialPortOverrides(ReadSerialPortOverrides(ini));
}

TDocumentContext TCore::DocumentContext() {
    return {device, table, state, rxFnc, language, folders, ui};
}

bool SaveData(TCore& core, const std::string& fileName) {
    std::string image;
    return SaveData(fileName, core.device, core.table, image, core.texts(), core.ui);
}

bool Otevri(TCore& core, const std::string& fileName) {
    std::string image;
    return Otevri(fileName, TDataFileEnv{core.folders.dataDir, core.texts(), core.ui},
                  core.state.LoggedIn, core.device, core.table, image);
}

}  // namespace ravlin
