#include "app/Settings.h"

#include <algorithm>
#include <climits>
#include <variant>

#include "link/CommSetup.h"

namespace ravlin {

namespace {

constexpr const char* kSetup = TSettings::kSetup;
constexpr const char* kWindow = "Window";

// ---- the key table ------------------------------------------------------------------

// When a key is written (all keys are read).
enum class TRule {
    Always,
    WhileNormal,       // the window geometry: only while the window's state is normal
    WithDocumentFile,  // LastFile: only when the document has a file name
};

// The member a key fills, reached from TSettings through members of members.
using TIntField = int& (*)(TSettings&);
using TBoolField = bool& (*)(TSettings&);
using TTextField = std::string& (*)(TSettings&);
using TWidthsField = std::vector<int>& (*)(TSettings&);
struct TTitles {};  // the five user titles: defaults from the language, read apart

struct TKey {
    const char* section;
    const char* name;  // Widths: unused, the keys are Col1, Col2, ...
    std::variant<TIntField, TBoolField, TTextField, TWidthsField, TTitles> field;
    std::variant<int, bool, const char*, std::vector<int>, TTitles> def;
    int lo = INT_MIN;  // int keys and widths: a stored value outside lo..hi gives the default
    int hi = INT_MAX;
    TRule rule = TRule::Always;
};

template <auto... Members>
TKey Int(const char* section, const char* name, int def, int lo = INT_MIN, int hi = INT_MAX,
         TRule rule = TRule::Always) {
    return {section, name, TIntField([](TSettings& s) -> int& { return (s .* ... .* Members); }),
            def,     lo,   hi,
            rule};
}

template <auto... Members>
TKey Bool(const char* section, const char* name, bool def) {
    return {section, name, TBoolField([](TSettings& s) -> bool& { return (s.*....*Members); }),
            def};
}

template <auto... Members>
TKey Text(const char* section, const char* name, const char* def, TRule rule = TRule::Always) {
    return {section,
            name,
            TTextField([](TSettings& s) -> std::string& { return (s .* ... .* Members); }),
            def,
            INT_MIN,
            INT_MAX,
            rule};
}

template <auto Member>
TKey Widths(const char* section, std::vector<int> def) {
    return {section,
            "",
            TWidthsField([](TSettings& s) -> std::vector<int>& { return s.*Member; }),
            std::move(def),
            0,
            10000};
}

using S = TSettings;
using C = TConnectionSettings;
using F = TFileViewSorts;
using W = TWindowSettings;

// Every key in the file's documented order.
const std::vector<TKey>& Keys() {
    static const std::vector<TKey> keys = {
        Int<&S::Connection, &C::ConnectionType>(kSetup, "ConnectionType", C::Com, 0, 1),
        Text<&S::Connection, &C::IPAddress>(kSetup, "IPAddress", "192.168.1.1"),
        Text<&S::Connection, &C::IPPort>(kSetup, "IPPort", "10001"),
        // The port numbers and speeds the communication set-up takes.
        Int<&S::Connection, &C::ComNumber>(kSetup, "ComNumber", 1, 1, 999999),
        Int<&S::Connection, &C::ComSpeed>(kSetup, "ComSpeed", 9600, kMinComSpeed, kMaxComSpeed),
        Bool<&S::Connection, &C::DumpRead>(kSetup, "DumpRead", false),
        Int<&S::BatteryMonitorLevel>(kSetup, "BatteryMonitorLevel", 3, 0, 4),
        Int<&S::BatteryMonitorSortCol>(kSetup, "BatteryMonitorSortCol", 0),
        Bool<&S::BatteryMonitorSortUp>(kSetup, "BatteryMonitorSortUp", true),
        Int<&S::HistoryMonitorLevel>(kSetup, "HistoryMonitorLevel", 3, 0, 4),
        Int<&S::HistoryLength>(kSetup, "HistoryLength", 100, 1, 99999),
        Text<&S::Language>(kSetup, "Language", "US"),
        Text<&S::MonitorFont>(kSetup, "MonitorFont", "Tahoma"),
        Bool<&S::Welcome>(kSetup, "Welcome", true),
        Bool<&S::Backup>(kSetup, "Backup", true),
        Bool<&S::VerifyDownload>(kSetup, "VerifyDownload", true),
        Bool<&S::VerifyUpload>(kSetup, "VerifyUpload", true),
        Bool<&S::FindLast>(kSetup, "FindLast", false),
        Bool<&S::Beep>(kSetup, "Beep", false),
        Bool<&S::SoundCard>(kSetup, "SoundCard", false),
        Bool<&S::SoundSpeaker>(kSetup, "SoundSpeaker", true),
        Bool<&S::Download>(kSetup, "Download", false),
        Bool<&S::Online>(kSetup, "Online", false),
        Bool<&S::Monitor>(kSetup, "Monitor", false),
        Bool<&S::OpenDataFile>(kSetup, "OpenDataFile", false),
        Bool<&S::OpenMonitorFile>(kSetup, "OpenMonitorFile", false),
        Text<&S::OpenDataPath>(kSetup, "OpenDataPath", ""),
        Text<&S::OpenMonitorPath>(kSetup, "OpenMonitorPath", ""),
        Int<&S::FileSorts, &F::single, &TSortState::column>(kSetup, "SortColSingle", 0),
        Int<&S::FileSorts, &F::multi, &TSortState::column>(kSetup, "SortColMulti", 0),
        Bool<&S::FileSorts, &F::single, &TSortState::ascending>(kSetup, "SortUpSingle", true),
        Bool<&S::FileSorts, &F::multi, &TSortState::ascending>(kSetup, "SortUpMulti", true),
        Int<&S::MonitorSortCol>(kSetup, "MonitorSortCol", 0),
        Bool<&S::MonitorSortUp>(kSetup, "MonitorSortUp", true),
        Int<&S::PageControl>(kSetup, "PageControl", 0, 0, 4),
        Int<&S::ActiveHeight>("ActiveGrid", "Height", 125, 0, 10000),
        Int<&S::DeactiveHeight>("DeactiveGrid", "Height", 125, 0, 10000),
        {kSetup, "UserID", TTitles{}, TTitles{}},
        Text<&S::LastFile>(kSetup, "LastFile", "", TRule::WithDocumentFile),
        Text<&S::LastMonitorFile>(kSetup, "LastMonitorFile", ""),
        Bool<&S::LastHeardColumn>(kSetup, "LastHeardColumn", false),
        Text<&S::ExportEncoding>(kSetup, "ExportEncoding", "UTF-8"),
        Text<&S::Operator>("Monitor", "Operator", ""),
        Int<&S::ReconnectFirst>(kSetup, "ReconnectFirst", 1, 1, 3600),
        Int<&S::ReconnectMax>(kSetup, "ReconnectMax", 30, 1, 3600),
        Int<&S::TroubleColor>("Monitor", "TroubleColor", 4, 0, 6),
        Int<&S::TroubleSound>("Monitor", "TroubleSound", 4, 0, 6),
        Text<&S::TroubleSoundFile>("Monitor", "TroubleSoundFile", ""),
        Int<&S::AlarmLogMegabytes>("Monitor", "AlarmLogMegabytes", 100, 1, 1000000),
        Bool<&S::BrokerOn>("Broker", "On", false),
        Text<&S::BrokerUrl>("Broker", "Url", ""),
        Text<&S::BrokerSite>("Broker", "Site", "site"),
        Text<&S::BrokerReceiver>("Broker", "Receiver", "receiver"),
        Text<&S::BrokerUser>("Broker", "User", ""),
        Text<&S::BrokerPasswordFile>("Broker", "PasswordFile", ""),
        Text<&S::BrokerCaFile>("Broker", "CaFile", ""),
        Widths<&S::BatteryGrid>("BatteryGrid", std::vector<int>(8, 64)),
        Widths<&S::HistoryGrid>("HistoryGrid", std::vector<int>(9, 64)),
        Widths<&S::MonitorGrid>("MonitorGrid", std::vector<int>(9, 64)),
        Widths<&S::ActiveGrid>("ActiveGrid", std::vector<int>(9, 64)),
        Widths<&S::DeactiveGrid>("DeactiveGrid", std::vector<int>(9, 64)),
        Widths<&S::MessageGrid>("MessageGrid", {32, 64, 200, 100, 64, 64, 64, 64, 64}),
        // A window on some screen of a desktop, sums of which cannot overflow.
        Int<&S::Window, &W::Width>(kWindow, "Width", 710, 100, 16384, TRule::WhileNormal),
        Int<&S::Window, &W::Height>(kWindow, "Height", 550, 100, 16384, TRule::WhileNormal),
        Int<&S::Window, &W::Top>(kWindow, "Top", 150, -16384, 16384, TRule::WhileNormal),
        Int<&S::Window, &W::Left>(kWindow, "Left", 190, -16384, 16384, TRule::WhileNormal),
        Int<&S::Window, &W::State>(kWindow, "State", W::Normal, 0, 2),
    };
    return keys;
}

std::string ColKey(size_t i) {
    return "Col" + std::to_string(i + 1);
}

int InRange(int v, const TKey& key, int def) {
    return v < key.lo || v > key.hi ? def : v;
}

template <typename... F>
struct TOverload : F... {
    using F::operator()...;
};
template <typename... F>
TOverload(F...) -> TOverload<F...>;

// One key as Save writes it.
struct TKeyValue {
    const char* section;
    std::string name;
    std::optional<std::string> value;  // nullopt: the key is removed
    TRule rule;
};

std::string StoredId(const char* section, const std::string& name) {
    return std::string(section) + "/" + name;
}

// Every key with the value Save writes for `s`, in the table's order. The user titles
// need the language (a default title is removed): without `texts` each is written.
std::vector<TKeyValue> KeyValues(TSettings& s, const TTextTable* texts) {
    std::vector<TKeyValue> out;
    for (const TKey& key : Keys())
        std::visit(
            TOverload{[&](TIntField f) {
                          out.push_back({key.section, key.name, std::to_string(f(s)), key.rule});
                      },
                      [&](TBoolField f) {
                          out.push_back({key.section, key.name, f(s) ? "1" : "0", key.rule});
                      },
                      [&](TTextField f) {
                          std::string clean = f(s);
                          for (char& c : clean)
                              if (c == '\r' || c == '\n') c = ' ';
                          out.push_back({key.section, key.name, clean, key.rule});
                      },
                      [&](TWidthsField f) {
                          const std::vector<int>& widths = f(s);
                          for (size_t i = 0; i < widths.size(); ++i)
                              out.push_back(
                                  {key.section, ColKey(i), std::to_string(widths[i]), key.rule});
                      },
                      // A title equal to its default is not stored, so that it follows the
                      // language.
                      [&](TTitles) {
                          for (int i = 0; i < 5; ++i) {
                              std::optional<std::string> value = s.UserTitles[i];
                              if (texts &&
                                  *value == TextAt(*texts, TextInRun(Text::UserIdTitle, i)))
                                  value.reset();
                              out.push_back({kSetup, kUserTitleKeys[i], value, key.rule});
                          }
                      }},
            key.field);
    return out;
}

// The default of every key.
void SetDefaults(TSettings& s) {
    for (const TKey& key : Keys())
        std::visit(TOverload{[&](TIntField f) { f(s) = std::get<int>(key.def); },
                             [&](TBoolField f) { f(s) = std::get<bool>(key.def); },
                             [&](TTextField f) { f(s) = std::get<const char*>(key.def); },
                             [&](TWidthsField f) { f(s) = std::get<std::vector<int>>(key.def); },
                             [&](TTitles) { s.UserTitles = {}; }},
                   key.field);
}

}  // namespace

TSettings::TSettings() {
    SetDefaults(*this);
    // Not yet read: nothing counts as stored, so every key is written at the first Save
    // (a key the file already has only when its value differs from the default).
    for (TKeyValue& kv : KeyValues(*this, nullptr))
        if (kv.name.rfind("User", 0) != 0 || kv.section != std::string(kSetup))
            stored[StoredId(kv.section, kv.name)] = kv.value;
}

std::string ReadLanguage(const TIniFile& ini) {
    return ini.ReadString(kSetup, "Language", "US");
}

void ReadUserTitles(const TIniFile& ini, const TTextTable& texts, TUserTitles& out) {
    for (int i = 0; i < 5; ++i)
        out[i] = ini.ReadString(kSetup, kUserTitleKeys[i],
                                TextAt(texts, TextInRun(Text::UserIdTitle, i)));
}

void TSettings::Load(const TIniFile& ini) {
    for (const TKey& key : Keys())
        std::visit(
            TOverload{[&](TIntField f) {
                          const int def = std::get<int>(key.def);
                          f(*this) = InRange(ini.ReadInteger(key.section, key.name, def), key, def);
                      },
                      [&](TBoolField f) {
                          f(*this) = ini.ReadBool(key.section, key.name, std::get<bool>(key.def));
                      },
                      [&](TTextField f) {
                          f(*this) =
                              ini.ReadString(key.section, key.name, std::get<const char*>(key.def));
                      },
                      [&](TWidthsField f) {
                          const auto& defaults = std::get<std::vector<int>>(key.def);
                          std::vector<int>& widths = f(*this);
                          widths.resize(defaults.size());
                          for (size_t i = 0; i < widths.size(); ++i)
                              widths[i] = InRange(
                                  ini.ReadInteger(key.section, ColKey(i).c_str(), defaults[i]), key,
                                  defaults[i]);
                      },
                      // Their defaults are the language's: the language loader reads them.
                      [&](TTitles) {}},
            key.field);
    // What counts as stored: the values as read, the titles as they are in the file.
    stored.clear();
    seen.clear();
    for (TKeyValue& kv : KeyValues(*this, nullptr)) {
        const std::string id = StoredId(kv.section, kv.name);
        if (ini.ValueExists(kv.section, kv.name)) seen.insert(id);
        if (kv.section == std::string(kSetup) &&
            std::find(kUserTitleKeys.begin(), kUserTitleKeys.end(), kv.name) !=
                kUserTitleKeys.end()) {
            stored[id] = ini.ValueExists(kSetup, kv.name)
                             ? std::optional<std::string>(ini.ReadString(kSetup, kv.name, ""))
                             : std::nullopt;
        } else {
            stored[id] = kv.value;
        }
    }
}

bool TSettings::Save(TIniFile& ini, const TTextTable& texts, const std::string& documentFileName) {
    if (!documentFileName.empty()) LastFile = documentFileName;
    for (TKeyValue& kv : KeyValues(*this, &texts)) {
        // The normal placement survives an exit while maximized or minimized.
        if (kv.rule == TRule::WhileNormal && Window.State != TWindowSettings::Normal) continue;
        if (kv.rule == TRule::WithDocumentFile && documentFileName.empty()) continue;
        const std::string id = StoredId(kv.section, kv.name);
        const auto was = stored.find(id);
        if (was == stored.end() || was->second != kv.value) {
            if (kv.value)
                ini.WriteString(kv.section, kv.name, *kv.value);
            else
                ini.DeleteKey(kv.section, kv.name);
            stored[id] = kv.value;
        } else if (kv.value && !seen.count(id)) {
            // Unchanged here and never in the file: it fills the gap, and never replaces
            // another's value.
            ini.WriteStringIfAbsent(kv.section, kv.name, *kv.value);
        }
        seen.insert(id);
    }
    return ini.UpdateFile();
}

}  // namespace ravlin
