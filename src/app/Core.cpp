#include "app/Core.h"

#include "document/DataFile.h"
#include "link/Serial.h"

namespace ravlin {

TCore::TCore(TFolders folders_, TUserInterface& ui_)
    : folders(std::move(folders_)),
      ui(ui_),
      language(folders.dataDir, ui),
      ini(folders.settingsFile),
      functionTable(folders.dataDir, language.Texts(), ui),
      receiver(TReceiverContext{language, folders, ui, settings.Backup, settings.VerifyDownload,
                                settings.VerifyUpload},
               TSessionTarget{device, table, state}),
      history(folders.HomeFile(THistory::kFileName), language.Texts(), ui),
      battery(folders.HomeFile(TBatteryLog::kFileName), language.Texts(), ui),
      lastHeard(folders.HomeFile(TLastHeard::kFileName), language.Texts(), ui) {}

void TCore::ApplySettings() {
    receiver.link.Settings = settings.Connection;
    receiver.link.UpdateConnectionText();
    SetSerialPortOverrides(ReadSerialPortOverrides(ini));
}

TDocumentContext TCore::DocumentContext() {
    return {device, table, state, functionTable, language, folders, ui};
}

TAppSetupContext TCore::AppSetupContext() {
    return {settings, ini, language, functionTable, history, receiver.link.Settings, state};
}

bool SaveData(TCore& core, const std::string& fileName) {
    std::string image;
    return SaveData(fileName, core.device, core.table, image, core.texts(), core.ui);
}

bool OpenData(TCore& core, const std::string& fileName) {
    std::string image;
    return OpenData(fileName, TDataFileEnv{core.folders.dataDir, core.texts(), core.ui},
                    core.state.LoggedIn, core.device, core.table, image);
}

}  // namespace ravlin
