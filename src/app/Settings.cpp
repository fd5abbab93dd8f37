#include "app/Settings.h"

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
}

void TSettings::Save(TIniFile& ini, const TTextTable& texts, const std::string& documentFileName) {
    if (!documentFileName.empty()) LastFile = documentFileName;
    for (const TKey& key : Keys()) {
        // The normal placement survives an exit while maximized or minimized.
        if (key.rule == TRule::WhileNormal && Window.State != TWindowSettings::Normal) continue;
        if (key.rule == TRule::WithDocumentFile && documentFileName.empty()) continue;
        std::visit(
            TOverload{[&](TIntField f) { ini.WriteInteger(key.section, key.name, f(*this)); },
                      [&](TBoolField f) { ini.WriteBool(key.section, key.name, f(*this)); },
                      [&](TTextField f) { ini.WriteString(key.section, key.name, f(*this)); },
                      [&](TWidthsField f) {
                          const std::vector<int>& widths = f(*this);
                          for (size_t i = 0; i < widths.size(); ++i)
                              ini.WriteInteger(key.section, ColKey(i), widths[i]);
                      },
                      // A title equal to its default is not stored, so that it follows the
                      // language.
                      [&](TTitles) {
                          for (int i = 0; i < 5; ++i) {
                              const std::string& def =
                                  TextAt(texts, TextInRun(Text::UserIdTitle, i));
                              if (UserTitles[i] == def)
                                  ini.DeleteKey(kSetup, kUserTitleKeys[i]);
                              else
                                  ini.WriteString(kSetup, kUserTitleKeys[i], UserTitles[i]);
                          }
                      }},
            key.field);
    }
    ini.UpdateFile();
}

}  // namespace ravlin
