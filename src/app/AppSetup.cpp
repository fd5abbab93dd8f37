#include "app/AppSetup.h"

#include <algorithm>

#include "app/Settings.h"
#include "app/Startup.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "online/History.h"
#include "views/ColumnConfig.h"

namespace ravlin {

namespace {

TLayoutFamily CurrentFamily(const TAppSetupContext& ctx) {
    return FamilyOf(ctx.functionTable.SingleRelay);
}

// The program's history (the one the History view shows): the trim or the clear is made
// in the file as it is now (another program, the command-line tool, may have written it).
bool ApplyHistory(THistory& history, int length, bool clear) {
    history.SetLength(length);
    if (clear) return FileExists(history.FileName()) && history.Clear();
    if (!FileExists(history.FileName())) return false;
    history.Load();
    const size_t before = history.Items().size();
    return history.TrimFile() && history.Items().size() != before;
}

}  // namespace

TSoundOutput SoundOutput(bool soundCard, bool soundSpeaker) {
    TSoundOutput s = TSoundOutput::Off;
    if (soundCard) s = TSoundOutput::SoundCard;
    if (soundSpeaker) s = TSoundOutput::Speaker;
    return s;
}

TAppSetupValues ReadAppSetup(const TAppSetupContext& ctx) {
    const TSettings& s = ctx.settings;
    const TLayoutFamily family = CurrentFamily(ctx);
    TAppSetupValues v;
    v.language = s.Language;
    v.backup = s.Backup;
    v.sound = SoundOutput(s.SoundCard, s.SoundSpeaker);
    v.titles = s.UserTitles;
    v.visible = ReadUserColumnFlags(ctx.ini, family);
    v.sort = s.FileSorts.Of(family);
    v.monitorFont = s.MonitorFont;
    v.welcome = s.Welcome;
    v.download = s.Download;
    v.openDataFile = s.OpenDataFile;
    v.openDataPath = s.OpenDataPath;
    v.online = s.Online;
    v.monitor = s.Monitor;
    v.openMonitorFile = s.OpenMonitorFile;
    v.openMonitorPath = s.OpenMonitorPath;
    v.beep = s.Beep;
    v.findLast = s.FindLast;
    v.historyLength = s.HistoryLength;
    v.clearHistory = false;
    v.historyLevel = s.HistoryMonitorLevel;
    v.batteryLevel = s.BatteryMonitorLevel;
    v.broker = BrokerSetupOf(s);
    return v;
}

TBrokerSetup BrokerSetupOf(const TSettings& s) {
    return TBrokerSetup{s.BrokerOn,   s.BrokerUrl,          s.BrokerSite,  s.BrokerReceiver,
                        s.BrokerUser, s.BrokerPasswordFile, s.BrokerCaFile};
}

TBrokerConfig BrokerConfigOf(const TBrokerSetup& b) {
    TBrokerConfig c;
    c.url = b.url;
    c.site = b.site;
    c.receiver = b.receiver;
    c.user = b.user;
    c.passwordFile = b.passwordFile;
    c.caFile = b.caFile;
    return c;
}

TAppSetupChoices ReadAppSetupChoices(const TAppSetupContext& ctx) {
    TAppSetupChoices c;
    c.languages = ctx.language.ListLanguages();
    const TColumnLayout layout =
        ReadColumnLayout(ctx.ini, CurrentFamily(ctx), ctx.functionTable.SingleRelay);
    const std::vector<int> kinds = layout.ShownKinds();
    for (size_t i = 0; i < kinds.size(); ++i) {
        c.sortColumns.push_back(
            HeaderText(kinds[i], ctx.language.Texts(), ctx.settings.UserTitles));
        if (kinds[i] >= kind::UserID && kinds[i] <= kind::User4)
            c.titleColumn[kinds[i] - kind::UserID] = static_cast<int>(i);
    }
    return c;
}

TAppSetupResult ApplyAppSetup(const TAppSetupContext& ctx, const TAppSetupValues& before,
                              const TAppSetupValues& after) {
    TAppSetupResult result;
    TSettings& s = ctx.settings;
    TIniFile& ini = ctx.ini;
    TLanguage& language = ctx.language;
    const TLayoutFamily family = CurrentFamily(ctx);
    const int singleRelay = ctx.functionTable.SingleRelay;

    TSortState& sort = s.FileSorts.Of(family);
    sort = after.sort;
    s.FindLast = after.findLast;
    s.Welcome = after.welcome;
    s.Backup = after.backup;
    s.SoundCard = after.sound == TSoundOutput::SoundCard;
    s.SoundSpeaker = after.sound == TSoundOutput::Speaker;
    s.Beep = after.beep;
    s.Download = after.download;
    s.Online = after.online;
    s.Monitor = after.monitor;
    s.OpenDataFile = after.openDataFile;
    s.OpenMonitorFile = after.openMonitorFile;
    s.OpenMonitorPath = after.openMonitorPath;
    s.OpenDataPath = after.openDataPath;
    s.BrokerOn = after.broker.on;
    s.BrokerUrl = after.broker.url;
    s.BrokerSite = after.broker.site;
    s.BrokerReceiver = after.broker.receiver;
    s.BrokerUser = after.broker.user;
    s.BrokerPasswordFile = after.broker.passwordFile;
    s.BrokerCaFile = after.broker.caFile;
    if (!after.monitorFont.empty()) s.MonitorFont = after.monitorFont;
    for (size_t i = 0; i < s.UserTitles.size(); ++i) {
        // An emptied title is the language's default again.
        const std::string& t = after.titles[i];
        s.UserTitles[i] =
            t.empty() ? TextAt(language.Texts(), TextInRun(Text::UserIdTitle, static_cast<int>(i)))
                      : t;
    }

    // Visibility goes through the moves of the layout, so that a shown column comes back
    // behind the last shown one and the sort column follows its column.
    TColumnLayout layout = ReadColumnLayout(ini, family, singleRelay);
    for (int i = 0; i < 5; ++i) {
        if (before.visible[i] == after.visible[i]) continue;
        const int k = kind::UserID + i;
        const bool moved = after.visible[i]
                               ? ShowUserColumn(ini, family, singleRelay, layout, sort, k)
                               : HideUserColumn(ini, family, singleRelay, layout, sort, k);
        result.columnsChanged = result.columnsChanged || moved;
    }
    WriteUserColumnFlags(ini, family, after.visible);
    if (before.visible != after.visible) result.columnsChanged = true;

    s.BatteryMonitorLevel = std::clamp(after.batteryLevel, 0, 4);
    s.HistoryMonitorLevel = std::clamp(after.historyLevel, 0, 4);
    s.HistoryLength = std::clamp(after.historyLength, 1, THistory::kMaxLength);

    if (ctx.state.DocumentOpen) StoreColumnLayout(ini, family, layout);

    // The language last: the settings are written with the titles measured against the
    // texts they were typed in, so that a default title follows the new language.
    const std::string previous = s.Language;
    const bool switchLanguage = !after.language.empty() && after.language != previous;
    s.Connection = ctx.connection;
    const TAppState& st = ctx.state;
    if (!s.Save(ini, language.Texts(), st.DocumentOpen ? st.FileName : std::string())) {
        // Nothing else changes when the settings cannot be written.
        result.settingsFailed = true;
        return result;
    }
    result.historyChanged = ApplyHistory(ctx.history, s.HistoryLength, after.clearHistory);
    if (switchLanguage) {
        if (language.LoadLanguage(after.language)) {
            s.Language = after.language;
            result.languageChanged = true;
        } else {
            result.languageFailed = true;
        }
        ctx.functionTable.SetFileName(language.FunctionTableFile());
        ReadUserTitles(ini, language.Texts(), s.UserTitles);
        result.settingsFailed =
            !s.Save(ini, language.Texts(), st.DocumentOpen ? st.FileName : std::string());
    }
    return result;
}

}  // namespace ravlin
