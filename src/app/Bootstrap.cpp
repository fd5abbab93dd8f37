#include "app/Bootstrap.h"

#include "app/Core.h"

namespace ravlin {

bool Bootstrap(TCore& core, const std::string& language) {
    if (const std::string problem = core.folders.Problem(); !problem.empty()) {
        core.ui.Error(TMessage::Fixed(problem));
        return false;
    }
    if (!core.language.LoadStartupLanguage(language.empty() ? ReadLanguage(core.ini) : language))
        return false;
    core.settings.Load(core.ini);
    // After a fall-back to US the language that runs is the one kept: saving the failed
    // code would bring its error back at every start.
    if (language.empty()) core.settings.Language = core.language.Code();
    ReadUserTitles(core.ini, core.texts(), core.settings.UserTitles);
    core.ApplySettings();
    core.functionTable.SetFileName(core.language.FunctionTableFile());
    return true;
}

}  // namespace ravlin
