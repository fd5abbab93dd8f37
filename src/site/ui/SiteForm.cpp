#include "site/ui/SiteForm.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <set>

#include "base/ui/Text.h"

namespace ravlin {

namespace {

constexpr int kPercentRole = TSiteModel::PercentRole;

// The progress column: a bar with the phase in it while a receiver works.
class TProgressDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QVariant percent = index.data(kPercentRole);
        if (!percent.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(2, 2, -2, -2);
        bar.minimum = 0;
        bar.maximum = 100;
        bar.progress = percent.toInt();
        bar.text = index.data(Qt::DisplayRole).toString();
        bar.textVisible = true;
        bar.state = option.state | QStyle::State_Horizontal;
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ProgressBar, &bar, painter, w);
    }
};

QString Yes(bool b) {
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

}  // namespace

// ---- model ---------------------------------------------------------------------------

void TSiteModel::SetBook(const TSiteBook& book, std::map<std::string, TSiteKnown> known) {
    beginResetModel();
    book_ = book;
    known_ = std::move(known);
    endResetModel();
}

void TSiteModel::SetProgress(TSiteOperation operation, const std::vector<std::string>& names,
                             const std::vector<TSiteReceiverProgress>& progress) {
    running_.operation = operation;
    for (size_t i = 0; i < names.size() && i < progress.size(); ++i)
        progress_[names[i]] = progress[i];
    if (!book_.receivers.empty())
        emit dataChanged(index(0, Progress), index(rowCount() - 1, Result));
}

void TSiteModel::ClearProgress() {
    progress_.clear();
    if (!book_.receivers.empty())
        emit dataChanged(index(0, Progress), index(rowCount() - 1, Result));
}

int TSiteModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(book_.receivers.size());
}

int TSiteModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count;
}

QVariant TSiteModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* titles[Count] = {"Receiver",  "Connection", "Type",
                                        "Reached",   "Records",    "Last download",
                                        "Data file", "Progress",   "Result"};
    return section >= 0 && section < Count ? QString::fromUtf8(titles[section]) : QVariant();
}

QVariant TSiteModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TSiteReceiver& r = book_.receivers[static_cast<size_t>(index.row())];
    const auto k = known_.find(r.name);
    const TSiteKnown none;
    const TSiteKnown& known = k == known_.end() ? none : k->second;
    const auto p = progress_.find(r.name);
    const TSiteReceiverProgress* progress = p == progress_.end() ? nullptr : &p->second;
    if (role == kPercentRole) {
        if (index.column() == Progress && progress &&
            progress->state == TSiteReceiverProgress::Running)
            return progress->percent;
        return {};
    }
    if (role == Qt::ToolTipRole && index.column() == DataFile) return QPath(r.dataFile);
    if (role == Qt::ToolTipRole && index.column() == Result) return data(index, Qt::DisplayRole);
    if (role == Qt::ForegroundRole && index.column() == Result) {
        const bool failed = (progress && progress->state == TSiteReceiverProgress::Finished &&
                             (progress->outcome.result == TSiteResult::Failed ||
                              progress->outcome.result == TSiteResult::Cancelled)) ||
                            (!progress && known.result.rfind("failed", 0) == 0);
        if (failed) return QColor(180, 30, 30);
        return {};
    }
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case Name:
            return Q(r.name);
        case Connection:
            return Q(r.ConnectionText());
        case Type:
            if (!known.type.empty()) return Q(known.type);
            return r.type.empty() ? QStringLiteral("-") : Q(r.type) + QStringLiteral(" (expected)");
        case Reached:
            return known.reached ? Yes(*known.reached) : QString();
        case Records:
            return known.records ? QString::number(*known.records) : QStringLiteral("-");
        case LastDownload:
            return r.lastDownload.empty() ? QStringLiteral("never") : Q(r.lastDownload);
        case DataFile:
            if (known.differs)
                return *known.differs ? QStringLiteral("differs from receiver")
                                      : QStringLiteral("same as receiver");
            return known.records ? QStringLiteral("kept") : QStringLiteral("none yet");
        case Progress:
            if (!progress) return {};
            if (progress->state == TSiteReceiverProgress::Waiting) return QStringLiteral("waiting");
            if (progress->state == TSiteReceiverProgress::Finished) {
                const TSiteResult r = progress->outcome.result;
                return r == TSiteResult::Failed      ? QStringLiteral("failed")
                       : r == TSiteResult::Cancelled ? QStringLiteral("cancelled")
                                                     : QStringLiteral("done");
            }
            return Q(progress->phase) + QStringLiteral(" %1%").arg(progress->percent);
        case Result:
            if (progress && progress->state == TSiteReceiverProgress::Finished &&
                known.result.empty())
                return Q(OutcomeText(running_, progress->outcome));
            return Q(known.result);
    }
    return {};
}

// ---- add window ----------------------------------------------------------------------

TSiteAddForm::TSiteAddForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Add a transmitter to the site"));
    auto* form = new QFormLayout;
    to = new QLabel;
    to->setWordWrap(true);
    form->addRow(QStringLiteral("To:"), to);
    code = new QLineEdit;
    code->setMaxLength(7);
    code->setPlaceholderText(QStringLiteral("x012345"));
    form->addRow(QStringLiteral("Transmitter code:"), code);
    button = new QLineEdit(QStringLiteral("1"));
    button->setMaxLength(1);
    form->addRow(QStringLiteral("Button:"), button);
    function = new QLineEdit(QStringLiteral("Monostable"));
    form->addRow(QStringLiteral("Function:"), function);
    userId = new QLineEdit;
    form->addRow(QStringLiteral("User number:"), userId);
    for (int i = 0; i < 4; ++i) {
        user[i] = new QLineEdit;
        form->addRow(QStringLiteral("User %1:").arg(i + 1), user[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

// ---- window --------------------------------------------------------------------------

TSiteForm::TSiteForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("SiteForm"));
    setWindowTitle(QStringLiteral("Site"));
    resize(1200, 560);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    bookLabel = new QLabel(QStringLiteral("No site book is open."));
    openBook = new QPushButton(QStringLiteral("Open book ..."));
    top->addWidget(bookLabel, 1);
    top->addWidget(openBook);
    layout->addLayout(top);

    table = new QTableView;
    table->setModel(&model);
    table->setItemDelegateForColumn(TSiteModel::Progress, new TProgressDelegate(table));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(TSiteModel::Name, 110);
    table->setColumnWidth(TSiteModel::Connection, 170);
    table->setColumnWidth(TSiteModel::Type, 70);
    table->setColumnWidth(TSiteModel::Reached, 65);
    table->setColumnWidth(TSiteModel::Records, 60);
    table->setColumnWidth(TSiteModel::LastDownload, 135);
    table->setColumnWidth(TSiteModel::DataFile, 140);
    table->setColumnWidth(TSiteModel::Progress, 290);
    layout->addWidget(table, 3);

    auto* all = new QHBoxLayout;
    check = new QPushButton(QStringLiteral("Check"));
    check->setToolTip(
        QStringLiteral("Log in and download without writing: reached, type, records"));
    download = new QPushButton(QStringLiteral("Download all"));
    openReceiver = new QPushButton(QStringLiteral("Open data file"));
    jobs = new QSpinBox;
    jobs->setRange(1, 64);
    jobs->setValue(4);
    all->addWidget(check);
    all->addWidget(download);
    all->addWidget(openReceiver);
    all->addStretch(1);
    all->addWidget(new QLabel(QStringLiteral("Receivers at once:")));
    all->addWidget(jobs);
    layout->addLayout(all);

    auto* ops = new QHBoxLayout;
    ops->addWidget(new QLabel(QStringLiteral("Transmitter code:")));
    code = new QLineEdit;
    code->setMaxLength(7);
    code->setPlaceholderText(QStringLiteral("x012345"));
    code->setMaximumWidth(110);
    ops->addWidget(code);
    dryRun = new QCheckBox(QStringLiteral("Dry run"));
    ops->addWidget(dryRun);
    revoke = new QPushButton(QStringLiteral("Revoke everywhere"));
    ops->addWidget(revoke);
    add = new QPushButton(QStringLiteral("Add to selected ..."));
    ops->addWidget(add);
    ops->addSpacing(20);
    ops->addWidget(new QLabel(QStringLiteral("Find:")));
    findText = new QLineEdit;
    findText->setPlaceholderText(QStringLiteral("code or user text"));
    ops->addWidget(findText, 1);
    find = new QPushButton(QStringLiteral("Find"));
    ops->addWidget(find);
    layout->addLayout(ops);

    auto* bottom = new QHBoxLayout;
    status = new QLabel;
    cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setEnabled(false);
    print = new QPushButton(QStringLiteral("Print report ..."));
    print->setEnabled(false);
    bottom->addWidget(status, 1);
    bottom->addWidget(cancel);
    bottom->addWidget(print);
    layout->addLayout(bottom);

    report = new QPlainTextEdit;
    report->setReadOnly(true);
    report->setPlaceholderText(QStringLiteral("The report of the last operation"));
    QFont mono = report->font();
    mono.setFamily(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    report->setFont(mono);
    layout->addWidget(report, 2);

    addForm = new TSiteAddForm(this);
    SetRunning(false);
}

std::vector<std::string> TSiteForm::SelectedNames() const {
    std::set<int> rows;
    for (const QModelIndex& i : table->selectionModel()->selectedRows()) rows.insert(i.row());
    std::vector<std::string> names;
    for (int row : rows)
        if (row < model.rowCount())
            names.push_back(model.Book().receivers[static_cast<size_t>(row)].name);
    return names;
}

void TSiteForm::SetRunning(bool running) {
    const bool haveBook = model.rowCount() > 0;
    for (QWidget* w : {static_cast<QWidget*>(check), static_cast<QWidget*>(download),
                       static_cast<QWidget*>(revoke), static_cast<QWidget*>(add),
                       static_cast<QWidget*>(find), static_cast<QWidget*>(openReceiver)})
        w->setEnabled(!running && haveBook);
    openBook->setEnabled(!running);
    jobs->setEnabled(!running);
    cancel->setEnabled(running);
}

}  // namespace ravlin
