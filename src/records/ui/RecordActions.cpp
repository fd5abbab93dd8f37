#include "records/ui/RecordActions.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "base/ui/Text.h"
#include "records/RecordClipboard.h"
#include "records/ui/EditForm.h"

namespace ravlin {

namespace {

// Opens the editor on the planned free record and adds it on OK.
TCommandResult AddPlanned(QWidget* parent, TRecordContext& ctx, const TAddPlan& plan,
                          TChangeKind kind) {
    TData edited = plan.record;
    if (!EditRecord(parent, ctx.texts, ctx.functionTable, ctx.device, ctx.txDir, ctx.titles, ctx.ui,
                    edited))
        return TCommandResult::Cancelled;
    return ctx.history.Apply(AddChange(ctx.table, ctx.device, plan, edited, kind), ctx.table,
                             ctx.device)
               ? TCommandResult::Changed
               : TCommandResult::Unchanged;
}

}  // namespace

TCommandResult AddRecordCommand(QWidget* parent, TRecordContext& ctx, int templatePosition) {
    TAddPlan plan;
    if (!PlanAdd(ctx.table, ctx.device, templatePosition, plan, ctx.texts, ctx.ui))
        return TCommandResult::Refused;
    return AddPlanned(parent, ctx, plan, TChangeKind::Add);
}

TCommandResult AddTransmitterCommand(QWidget* parent, TRecordContext& ctx, const std::string& code,
                                     const std::string& button) {
    TAddPlan plan;
    if (!PlanAdd(ctx.table, ctx.device, kAddAsItIs, plan, ctx.texts, ctx.ui))
        return TCommandResult::Refused;
    plan.record.CodePrefix = code.substr(0, 2);
    plan.record.Serial = code.size() > 2 ? code.substr(2, 5) : std::string();
    plan.record.Button = button;
    return AddPlanned(parent, ctx, plan, TChangeKind::OnlineAdd);
}

TCommandResult EditRecordsCommand(QWidget* parent, TRecordContext& ctx,
                                  const std::vector<int>& positions) {
    TRecordChange group;
    group.kind = TChangeKind::Edit;
    group.usedBefore = group.usedAfter = ctx.device.UsedCount;
    bool cancelled = false;
    for (int p : positions) {
        if (p < 1 || static_cast<size_t>(p) > ctx.table.size()) break;
        TData edited = ctx.table[static_cast<size_t>(p - 1)];
        if (!EditRecord(parent, ctx.texts, ctx.functionTable, ctx.device, ctx.txDir, ctx.titles,
                        ctx.ui, edited)) {
            cancelled = true;
            break;
        }
        TRecordChange one = EditChange(ctx.table, ctx.device, p, edited);
        ApplyChange(one, ctx.table, ctx.device, true);
        group.Append(std::move(one));
    }
    const bool changed = ctx.history.Record(std::move(group));
    if (changed) return TCommandResult::Changed;
    return cancelled ? TCommandResult::Cancelled : TCommandResult::Unchanged;
}

void CopyRecordsToClipboard(const TRecordContext& ctx, const std::string& tabSeparated,
                            const std::vector<int>& positions) {
    auto* data = new QMimeData;
    data->setText(Q(tabSeparated));
    const std::string records = SerializeRecords(ctx.device.Name, RecordsAt(ctx.table, positions));
    data->setData(kRecordsMimeType, QByteArray(records.data(), static_cast<int>(records.size())));
    QApplication::clipboard()->setMimeData(data);
}

std::optional<std::string> RecordsOnClipboard() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(kRecordsMimeType)) return std::nullopt;
    return data->data(kRecordsMimeType).toStdString();
}

TCommandResult PasteFromClipboard(TRecordContext& ctx) {
    const auto records = RecordsOnClipboard();
    if (!records) return TCommandResult::Unchanged;
    return PasteRecordsCommand(ctx, *records);
}

}  // namespace ravlin
