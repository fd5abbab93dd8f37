#pragma once
// Shared by the log commands of ravlin-cli (listen --log, history, battery, stale): the
// user field titles the pages show.

#include <string>

#include "Cli.h"
#include "app/Settings.h"
#include "online/History.h"
#include "online/OnlineLog.h"
#include "views/FileView.h"

namespace ravlin::cli {

inline TUserFieldTitles UserFieldTitles(const TIniFile& ini, const TTextTable& texts) {
    std::array<std::string, 5> titles;
    ReadUserTitles(ini, texts, titles);
    return titles;
}

}  // namespace ravlin::cli
