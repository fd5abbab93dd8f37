#include "online/ui/LogPages.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QVBoxLayout>
#include <algorithm>

#include "base/ui/Text.h"
#include "views/ui/GridModel.h"

namespace ravlin {

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
constexpr Text kClearBoxTexts[] = {Text::ClearSelected, Text::ClearChanged, Text::ClearAll};

}  // namespace

// ---- models -----------------------------------------------------------------------

void TLogModel::SetColumns(std::vector<TLogField> columns, QStringList titles) {
    beginResetModel();
    columns_ = std::move(columns);
    titles_ = std::move(titles);
    endResetModel();
}

void TLogModel::Reset() {
    beginResetModel();
    endResetModel();
}

int TLogModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    // An empty log keeps one empty row.
    return std::max<int>(1, static_cast<int>(EntryCount()));
}

int TLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TLogModel::data(const QModelIndex& index, int role) const {
    const size_t row = static_cast<size_t>(index.row());
    const size_t column = static_cast<size_t>(index.column());
    if (row >= EntryCount() || column >= columns_.size()) return {};
    if (role == Qt::DisplayRole) return Q(CellText(row, columns_[column]));
    if (role == Qt::ForegroundRole) {
        switch (CellColour(row, columns_[column])) {
            case TCellColour::Red:
                return QBrush(kRed);
            case TCellColour::Green:
                return QBrush(kGreen);
            case TCellColour::Default:
                break;
        }
    }
    return {};
}

QVariant TLogModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < titles_.size())
        return titles_[section];
    return {};
}

// ---- grids --------------------------------------------------------------------------

QTableView* MakeLogGrid(QAbstractTableModel* model, const char* name, QWidget* parent) {
    QTableView* grid = MakePageGrid(model, name, parent);
    QHeaderView* header = grid->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    return grid;
}

void ShowSortMark(QTableView* grid, int column, bool ascending) {
    // Qt's header draws its ascending indicator pointing down: the order given to it is
    // the other one.
    grid->horizontalHeader()->setSortIndicator(
        column, ascending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void ApplyColumnWidths(QTableView* grid, const std::vector<int>& widths, int timeColumn) {
    const int n = grid->model()->columnCount();
    for (int i = 0; i < n; ++i) {
        int w = static_cast<size_t>(i) < widths.size() ? widths[static_cast<size_t>(i)]
                                                       : kDefaultColumnWidth;
        // The default width cuts a time stamp: until the user sizes it, it fits one.
        if (i == timeColumn && w == kDefaultColumnWidth)
            w = grid->fontMetrics().horizontalAdvance("00.00.0000 00:00:00") + 12;
        grid->setColumnWidth(i, std::clamp(w, 8, 2000));
    }
}

std::vector<int> SelectedRows(const QTableView* grid) {
    std::vector<int> rows;
    if (!grid->selectionModel()) return rows;
    for (const QModelIndex& i : grid->selectionModel()->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

// ---- battery page ---------------------------------------------------------------------

TBatteryPage::TBatteryPage(TBatteryModel* model, QWidget* parent) : QWidget(parent) {
    setObjectName("BatteryView");
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    auto* strip = new QWidget(this);
    strip->setObjectName("BatteryPanel");
    auto* h = new QHBoxLayout(strip);
    h->setContentsMargins(6, 3, 6, 3);
    const char* captions[3] = {"Clear Selected", "Clear Changed", "Clear All"};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QCheckBox(captions[i], strip);
        box->setObjectName(QStringLiteral("ClearBox%1").arg(i));
        h->addWidget(box);
        boxes_[static_cast<size_t>(i)] = box;
        // Checking one unchecks the other two.
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
            if (!on) return;
            for (int j = 0; j < 3; ++j)
                if (j != i) boxes_[static_cast<size_t>(j)]->setChecked(false);
        });
    }
    h->addStretch(1);
    clearButton_ = new QPushButton("Clear", strip);
    clearButton_->setObjectName("ClearButton");
    h->addWidget(clearButton_);
    connect(clearButton_, &QPushButton::clicked, this, &TBatteryPage::clearClicked);
    v->addWidget(strip);
    grid_ = MakeLogGrid(model, "BatteryGrid", this);
    v->addWidget(grid_, 1);
}

void TBatteryPage::ApplyTexts(const TTextTable& texts) {
    for (int i = 0; i < 3; ++i)
        if (const QString t = L(texts, kClearBoxTexts[i]); !t.isEmpty())
            boxes_[static_cast<size_t>(i)]->setText(t);
    if (const QString t = L(texts, Text::ClearBattery); !t.isEmpty()) clearButton_->setText(t);
}

TClearBoxes TBatteryPage::Boxes() const {
    TClearBoxes b;
    for (int i = 0; i < 3; ++i)
        b.checked[static_cast<size_t>(i)] = boxes_[static_cast<size_t>(i)]->isChecked();
    return b;
}

void TBatteryPage::UncheckBoxes() {
    for (QCheckBox* b : boxes_) b->setChecked(false);
}

}  // namespace ravlin
