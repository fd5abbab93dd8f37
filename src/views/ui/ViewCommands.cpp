#include "views/ui/ViewCommands.h"

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
#include <QPrinter>

#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "views/Export.h"
#include "views/ui/FindForm.h"
#include "views/ui/PrintCommands.h"
#include "views/ui/ViewsController.h"

namespace ravlin {

TViewCommands::TViewCommands(const TViewCommandsContext& context, TViewsController& views,
                             TWindowFrame& frame, TBusyState& busy, TQtUserInterface& ui,
                             QObject* parent)
    : QObject(parent),
      ctx_(context),
      views_(views),
      frame_(frame),
      busy_(busy),
      ui_(ui),
      findForm_(std::make_unique<TFindForm>(context.language.Texts(), ui, frame.Window())),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    auto on = [this](const char* name, bool (TViewCommands::*command)()) {
        if (QAction* a = frame_.Action(QString::fromLatin1(name)))
            connect(a, &QAction::triggered, this, [this, command] { (this->*command)(); });
    };
    on("MenuFind", &TViewCommands::MenuFindClick);
    on("MenuFindNext", &TViewCommands::FindNextClick);
    on("MenuExport", &TViewCommands::MenuExportClick);
    on("MenuPrint", &TViewCommands::MenuPrintClick);
    on("MenuPrintPreview", &TViewCommands::MenuPrintPreviewClick);
    // F3 is the key Linux users know for "Find next", besides the menu's Ctrl+N.
    if (QAction* next = frame_.Action(QStringLiteral("MenuFindNext"))) {
        QList<QKeySequence> keys = next->shortcuts();
        keys << QKeySequence(Qt::Key_F3);
        next->setShortcuts(keys);
    }
    // A header press (a new order) starts the File view's search at the top again.
    connect(&views_, &TViewsController::fileHeaderPressed, this,
            [this] { findForm_->State().ResetPosition(TViewPage::File); });
}

TViewCommands::~TViewCommands() = default;

const TViewRows& TViewCommands::ShownRows() {
    TPageRows* page = views_.PageRows(frame_.PageShown());
    const TViewRows* rows = page ? page->Rows() : nullptr;
    return rows ? *rows : none_;
}

bool TViewCommands::Found(int row) {
    if (row <= 0) return false;
    if (TPageRows* page = views_.PageRows(frame_.PageShown())) page->SelectRow(row);
    return true;
}

bool TViewCommands::MenuFindClick() {
    int row = 0;
    busy_.Run([&] {
        row = ravlin::MenuFindClick(*findForm_, ShownRows(), ui_, ctx_.language.Texts());
        return true;
    });
    return Found(row);
}

bool TViewCommands::FindNextClick() {
    int row = 0;
    busy_.Run([&] {
        row = ravlin::FindNextClick(*findForm_, ShownRows(), ui_, ctx_.language.Texts());
        return true;
    });
    return Found(row);
}

QString TViewCommands::ExportFileName() const {
    const QFileInfo document(QPath(ctx_.state.FileName));
    const QString folder = ctx_.state.FileName.empty() ? QString() : document.path() + "/";
    switch (frame_.PageShown()) {
        case TPage::History:
            return folder + QStringLiteral("History.xls");
        case TPage::Battery:
            return folder + QStringLiteral("LowBatt.xls");
        default:
            break;
    }
    if (!ctx_.state.FileName.empty()) return folder + document.completeBaseName() + ".xls";
    return (ctx_.device.Name.empty() ? QStringLiteral("Ravlin") : Q(ctx_.device.Name)) + ".xls";
}

bool TViewCommands::MenuExportClick() {
    return busy_.Run([&] {
        const TSylkEncoding encoding =
            ParseSylkEncoding(ctx_.exportEncoding).value_or(TSylkEncoding::Utf8);
        return ravlin::MenuExportClick(frame_.Window(), ShownRows(), ExportFileName(), encoding,
                                       ui_, ctx_.language.Texts());
    });
}

bool TViewCommands::MenuPrintClick() {
    return busy_.Run(
        [&] { return ravlin::MenuPrintClick(frame_.Window(), ShownRows(), *printer_, ui_); });
}

bool TViewCommands::MenuPrintPreviewClick() {
    return busy_.Run([&] {
        ShowPrintPreview(frame_.Window(), ShownRows(), *printer_);
        return true;
    });
}

}  // namespace ravlin
