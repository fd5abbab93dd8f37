#include "app/Core.h"

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
      session(*this) {}

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

}  // namespace ravlin
