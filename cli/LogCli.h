#pragma once
// Shared by the log commands of ravlin-cli (listen --log, history, battery, stale): the
// log files of the home folder and the user fields the pages show.

#include <string>

#include "Cli.h"
#include "app/Settings.h"
#include "online/History.h"
#include "views/FileView.h"

namespace ravlin::cli {

// The user fields the File view shows for a layout family (section Setup flags).
inline TUserVisibility UserFieldsOf(const TIniFile& ini, TLayoutFamily family) {
    TUserVisibility visible{};
    const auto keys = VisibilityKeys(family);
    for (size_t i = 0; i < keys.size(); ++i) visible[i] = ini.ReadBool("Setup", keys[i], true);
    return visible;
}

// Without a receiver the layout family is not known: a user field is shown when either
// family shows it.
inline TUserVisibility UserFieldsOfEither(const TIniFile& ini) {
    const TUserVisibility a = UserFieldsOf(ini, TLayoutFamily::Single);
    const TUserVisibility b = UserFieldsOf(ini, TLayoutFamily::Multi);
    TUserVisibility v{};
    for (size_t i = 0; i < v.size(); ++i) v[i] = a[i] || b[i];
    return v;
}

inline TUserFieldTitles UserFieldTitles(const TIniFile& ini, const PopisType& texts) {
    std::array<std::string, 5> titles;
    ReadUserTitles(ini, texts, titles);
    return titles;
}

}  // namespace ravlin::cli
