#include "ViewSource.h"

#include <algorithm>

#include "app/Settings.h"
#include "document/DataFile.h"
#include "views/ColumnConfig.h"
#include "views/ViewPages.h"

namespace ravlin::cli {

int ParseViewChoice(std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                    TViewChoice& choice) {
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--view") {
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
    if (choice.dataFile.empty()) return UsageError("needs a data file");
    args = std::move(rest);
    return kOk;
}

bool TViewSource::Load(TContext& ctx, const TViewChoice& choice) {
    const PopisType& texts = ctx.texts();
    const TDataFileEnv env{ctx.core->folders.dataDir, texts, ctx.ui};
    if (!Otevri(choice.dataFile, env, false, device_, table_, image_)) return false;
    fnc_ = std::make_unique<TRxFnc>(ctx.core->folders.dataDir, texts, ctx.ui);
    fnc_->SetFileName(ctx.core->language.FunctionTableFile());
    if (!fnc_->LoadFunctionTable(device_.Name)) return false;

    TIniFile ini(ctx.core->folders.settingsFile);
    ReadUserTitles(ini, texts, titles_);
    if (choice.page == TViewPage::Memory) {
        memory_ = BuildMemoryView(table_, device_, *fnc_, texts, titles_[1]);
        rows_ = std::make_unique<TMemoryViewRows>(memory_, texts);
        return true;
    }
    const TSettings& settings = ctx.core->settings;
    file_.family = FamilyOf(fnc_->SingleRelay);
    file_.layout = ReadColumnLayout(ini, file_.family, fnc_->SingleRelay);
    file_.sort = settings.FileSorts.Of(file_.family);
    file_.Refresh(table_, texts, titles_, MakeCellTexts(*fnc_, device_));
    rows_ = std::make_unique<TFileViewRows>(file_, table_, texts, titles_);
    return true;
}

}  // namespace ravlin::cli
