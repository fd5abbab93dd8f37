#include "ViewSource.h"

#include <algorithm>

#include "LogCli.h"
#include "app/Settings.h"
#include "document/DataFile.h"
#include "online/LogRows.h"
#include "views/ColumnConfig.h"
#include "views/ViewPages.h"

namespace ravlin::cli {

int ParseViewChoice(std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                    TViewChoice& choice) {
    std::vector<std::string> rest;
    bool logGiven = false, viewGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--history" || a == "--battery") {
            if (logGiven) return UsageError("takes one of --history and --battery");
            logGiven = true;
            choice.page = a == "--history" ? TViewPage::History : TViewPage::Battery;
        } else if (a == "--view") {
            viewGiven = true;
            if (i + 1 >= args.size()) return UsageError("--view needs memory or file");
            const std::string& v = args[++i];
            if (v == "memory")
                choice.page = TViewPage::Memory;
            else if (v == "file")
                choice.page = TViewPage::File;
            else
                return UsageError("--view needs memory or file, not " + v);
        } else if (!a.empty() && a[0] == '-') {
            rest.push_back(a);
            // The value of a command option stays with it.
            const bool takesValue =
                std::find(valueOptions.begin(), valueOptions.end(), a) != valueOptions.end();
            if (takesValue && i + 1 < args.size()) rest.push_back(args[++i]);
        } else if (choice.dataFile.empty()) {
            choice.dataFile = a;
        } else {
            return UsageError("takes one data file");
        }
    }
    if (logGiven) {
        if (!choice.dataFile.empty() || viewGiven)
            return UsageError("--history and --battery take no data file and no --view");
        args = std::move(rest);
        return kOk;
    }
    if (choice.dataFile.empty()) return UsageError("needs a data file (or --history, --battery)");
    args = std::move(rest);
    return kOk;
}

bool TViewSource::Load(TContext& ctx, const TViewChoice& choice) {
    const TTextTable& texts = ctx.texts();
    if (choice.page == TViewPage::History || choice.page == TViewPage::Battery) {
        // The pages show the user fields the File view shows; without a receiver the
        // layout family is not known, so a field either family shows is shown.
        TIniFile ini(ctx.core->folders.settingsFile);
        const TUserVisibility visible = UserFieldsOfEither(ini);
        logTitles_ = UserFieldTitles(ini, texts);
        if (choice.page == TViewPage::History) {
            history_ = std::make_unique<THistory>(ctx.core->folders.HomeFile(THistory::kFileName),
                                                  texts, ctx.ui);
            history_->Load();  // newest first, as the page opens
            filledRows_ = static_cast<int>(history_->Items().size());
            rows_ = std::make_unique<THistoryRows>(history_->Items(), HistoryColumns(visible),
                                                   texts, logTitles_);
        } else {
            battery_ = std::make_unique<TBatteryLog>(
                ctx.core->folders.HomeFile(TBatteryLog::kFileName), texts, ctx.ui);
            battery_->Load();  // in the order of the saved sort column
            filledRows_ = static_cast<int>(battery_->Items().size());
            rows_ = std::make_unique<TBatteryRows>(battery_->Items(), BatteryColumns(visible),
                                                   texts, logTitles_);
        }
        return true;
    }
    const TDataFileEnv env{ctx.core->folders.dataDir, texts, ctx.ui};
    if (!OpenData(choice.dataFile, env, false, device_, table_, image_)) return false;
    functionTable_ = std::make_unique<TFunctionTable>(ctx.core->folders.dataDir, texts, ctx.ui);
    functionTable_->SetFileName(ctx.core->language.FunctionTableFile());
    if (!functionTable_->LoadFunctionTable(device_.Name)) return false;

    TIniFile ini(ctx.core->folders.settingsFile);
    ReadUserTitles(ini, texts, titles_);
    if (choice.page == TViewPage::Memory) {
        memory_ = BuildMemoryView(table_, device_, *functionTable_, texts, titles_[1]);
        filledRows_ = static_cast<int>(memory_.rows.size());
        rows_ = std::make_unique<TMemoryViewRows>(memory_, texts);
        return true;
    }
    const TSettings& settings = ctx.core->settings;
    file_.family = FamilyOf(functionTable_->SingleRelay);
    file_.layout = ReadColumnLayout(ini, file_.family, functionTable_->SingleRelay);
    file_.sort = settings.FileSorts.Of(file_.family);
    file_.Refresh(table_, texts, titles_, MakeCellTexts(*functionTable_, device_));
    filledRows_ = file_.RowCount();
    rows_ = std::make_unique<TFileViewRows>(file_, table_, texts, titles_);
    return true;
}

}  // namespace ravlin::cli
