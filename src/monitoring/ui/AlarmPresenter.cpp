#include "monitoring/ui/AlarmPresenter.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <functional>

#include "base/ui/QtSoundPlayer.h"
#include "base/ui/Text.h"
#include "base/ui/WindowFrame.h"
#include "monitoring/MonitorView.h"
#include "monitoring/ui/MonitorMessageForm.h"
#include "monitoring/ui/MonitorModels.h"
#include "online/Reception.h"

namespace ravlin {

namespace {

// A press in the check box column toggles the row's mark (a click on the box alone would
// need a second click to select the row first).
class TMarkFilter : public QObject {
  public:
    TMarkFilter(QTableView* grid, std::function<void(int)> mark)
        : QObject(grid), grid_(grid), mark_(std::move(mark)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::MouseButtonPress) return false;
        const auto* me = static_cast<QMouseEvent*>(e);
        const QModelIndex at = grid_->indexAt(me->position().toPoint());
        if (!at.isValid() || at.column() != kListMark) return false;
        mark_(at.row());
        return true;
    }

  private:
    QTableView* grid_;
    std::function<void(int)> mark_;
};

// The name a pop-up window goes by: its message's number.
QString PopupName(int number) {
    return QStringLiteral("MessageWindow%1").arg(number);
}

}  // namespace

TAlarmPresenter::TAlarmPresenter(const TMonitorContext& context, TMonitor& monitor,
                                 TWindowFrame& frame, QObject* parent)
    : QObject(parent), ctx_(context), monitor_(monitor), frame_(frame) {
    sounds_ = std::make_unique<TQtSoundPlayer>(ctx_.folders.dataDir, ctx_.settings.SoundCard,
                                               ctx_.settings.SoundSpeaker);
    monitor_.sound = sounds_.get();
    Build();
    blink_.setInterval(500);
    connect(&blink_, &QTimer::timeout, this, &TAlarmPresenter::Blink);
}

TAlarmPresenter::~TAlarmPresenter() {
    blink_.stop();
    disconnect(selectAll_, nullptr, this, nullptr);
    disconnect(operator_, nullptr, this, nullptr);
    for (auto& [number, w] : popups_) delete w.data();
    popups_.clear();
    monitor_.sound = nullptr;
}

void TAlarmPresenter::Build() {
    QWidget* layoutArea = frame_.MonitorPanel();
    panel_ = new QWidget(layoutArea);
    panel_->setObjectName("MessagesPanel");
    auto* v = new QVBoxLayout(panel_);
    v->setContentsMargins(0, 0, 0, 0);
    auto* strip = new QHBoxLayout;
    selectAll_ = new QCheckBox("Select All", panel_);
    selectAll_->setObjectName("MessageClearBox1");
    deactive_ = new QPushButton("Deactive", panel_);
    deactive_->setObjectName("MessageClearButton");
    exit_ = new QPushButton("Exit", panel_);
    exit_->setObjectName("MonitorEndButton");
    operator_ = new QLineEdit(panel_);
    operator_->setObjectName("OperatorEdit");
    operator_->setPlaceholderText("Operator");
    operator_->setMaximumWidth(200);
    strip->addWidget(selectAll_);
    strip->addWidget(deactive_);
    strip->addWidget(operator_);
    strip->addStretch(1);
    strip->addWidget(exit_);
    v->addLayout(strip);
    grid_ = new QTableView(panel_);
    grid_->setObjectName("MessageGrid");
    listModel_ = new TMessageListModel(ctx_.texts, monitor_, Q(ctx_.settings.MonitorFont), grid_);
    grid_->setModel(listModel_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);
    // The widths the user gives the columns are the settings' at once.
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                std::vector<int>& widths = ctx_.settings.MessageGrid;
                // The check box column is fixed; the room the trouble row takes is not
                // the user's choice.
                if (column <= kListMark || fitting_) return;
                if (static_cast<size_t>(column) >= widths.size())
                    widths.resize(static_cast<size_t>(column) + 1, 64);
                widths[static_cast<size_t>(column)] = width;
            });
    grid_->viewport()->installEventFilter(
        new TMarkFilter(grid_, [this](int row) { MarkRow(row); }));
    v->addWidget(grid_, 1);
    layoutArea->layout()->addWidget(panel_);

    connect(selectAll_, &QCheckBox::clicked, this, &TAlarmPresenter::SelectAllClick);
    connect(deactive_, &QPushButton::clicked, this, &TAlarmPresenter::DeactiveClick);
    connect(exit_, &QPushButton::clicked, this, &TAlarmPresenter::ExitClick);
    // The operator's name is remembered between runs (ReadSettings fills the field).
    connect(operator_, &QLineEdit::textChanged, this, [this](const QString& name) {
        monitor_.operatorName = ToCoreLossy(name);
        ctx_.settings.Operator = monitor_.operatorName;
    });
    connect(listModel_, &TMessageListModel::marksChanged, this, [this] {
        QSignalBlocker b(selectAll_);
        selectAll_->setChecked(monitor_.SelectAll());
    });
}

TSoundPlayer& TAlarmPresenter::Sounds() {
    return *sounds_;
}

void TAlarmPresenter::SetSoundPlayer(TSoundPlayer* player) {
    monitor_.sound = player ? player : sounds_.get();
}

void TAlarmPresenter::ReadSettings() {
    {
        const QSignalBlocker b(operator_);
        operator_->setText(Q(ctx_.settings.Operator));
    }
    monitor_.operatorName = ctx_.settings.Operator;
    monitor_.troubleColor = ctx_.settings.TroubleColor;
    monitor_.troubleSound = ctx_.settings.TroubleSound;
    monitor_.troubleSoundFile = ctx_.settings.TroubleSoundFile;
    const QString font = Q(ctx_.settings.MonitorFont);
    listModel_->SetFontName(font);
    const std::vector<int>& widths = ctx_.settings.MessageGrid;
    for (int c = kListMark + 1; c + 1 < kListColumns; ++c)
        if (static_cast<size_t>(c) < widths.size() && widths[static_cast<size_t>(c)] > 0)
            grid_->setColumnWidth(c, widths[static_cast<size_t>(c)]);
    RefreshList();
    for (auto& [number, w] : popups_) {
        const int i = monitor_.IndexOfNumber(number);
        if (w && i >= 0)
            w->ApplyLook(LookOf(monitor_.Messages[static_cast<size_t>(i)], monitor_.BlinkPhase()),
                         font);
    }
}

void TAlarmPresenter::ApplyTexts() {
    const TTextTable& t = ctx_.texts;
    selectAll_->setText(L(t, Text::SelectAll));
    deactive_->setText(L(t, Text::DeactivateButton));
    exit_->setText(L(t, Text::MonitorExit));
    listModel_->Refresh();
}

// ---- monitor mode --------------------------------------------------------------------------

void TAlarmPresenter::Start() {
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        monitor_.workArea = TWorkArea{r.left(), r.top(), r.width(), r.height()};
    }
    blink_.start();
    RefreshList();
}

void TAlarmPresenter::Stop() {
    blink_.stop();
    Refresh();
}

void TAlarmPresenter::TakeReception(const TReception& r) {
    Apply(monitor_.OnReception(r.serial, r.button));
    RaisePopups();
}

void TAlarmPresenter::LinkLost() {
    monitor_.LinkLost(TMonitorTime::Now());
    RefreshList();
}

void TAlarmPresenter::LinkRestored(double seconds) {
    monitor_.LinkRestored(TMonitorTime::Now(), seconds);
    RefreshList();
}

void TAlarmPresenter::Refresh() {
    ClosePopups();
    RefreshList();
}

void TAlarmPresenter::Show(const std::vector<TMonitorChange>& changes) {
    Apply(changes);
    RaisePopups();
}

void TAlarmPresenter::ShowPanel(bool on) {
    panel_->setVisible(on);
}

std::vector<int> TAlarmPresenter::Marked(bool all) const {
    std::vector<int> which;
    for (int i : monitor_.RowOrder())
        if (i >= 0 && (all || monitor_.Messages[static_cast<size_t>(i)].Marked)) which.push_back(i);
    return which;
}

void TAlarmPresenter::ClearMarks() {
    monitor_.SetSelectAll(false);
    for (TMonitorData& m : monitor_.Messages) m.Marked = false;
    UncheckSelectAll();
    listModel_->Refresh();
}

void TAlarmPresenter::Apply(const std::vector<TMonitorChange>& changes) {
    bool front = false;
    for (const TMonitorChange& c : changes) {
        if (c.message < 0 || c.message >= static_cast<int>(monitor_.Messages.size())) continue;
        const TMonitorData& m = monitor_.Messages[static_cast<size_t>(c.message)];
        if (c.action != TAlarmAction::Activate) continue;
        if (m.ShowWindow && m.Slot >= 0) ShowPopup(c.message);
        if (m.Activate) front = true;
    }
    ClosePopups();
    RefreshList();
    if (front) BringToFront();
}

void TAlarmPresenter::RefreshList() {
    listModel_->Refresh();
    for (int r = 0; r < listModel_->rowCount(); ++r) {
        const int m = listModel_->MessageAt(r);
        const int size = m >= 0 ? DisplayFontSize(monitor_.Messages[static_cast<size_t>(m)].Size)
                         : listModel_->IsTroubleRow(r) ? 12
                                                       : 8;
        grid_->setRowHeight(r, size + 12 + size / 3);
    }
    grid_->setColumnWidth(kListMark, 32);
    if (monitor_.Trouble()) {
        // The trouble's text is read in full.
        const TMonitorData row = TroubleRow(monitor_.troubleColor, monitor_.TroubleSince());
        const int wanted =
            QFontMetrics(listModel_->FontOf(row)).horizontalAdvance(Q(row.Text)) + 16;
        if (grid_->columnWidth(kListText) < wanted) {
            fitting_ = true;
            grid_->setColumnWidth(kListText, wanted);
            fitting_ = false;
        }
    }
}

void TAlarmPresenter::Blink() {
    listModel_->Blink();  // toggles the phase
    const QString font = Q(ctx_.settings.MonitorFont);
    for (auto& [number, w] : popups_) {
        const int i = monitor_.IndexOfNumber(number);
        if (!w || i < 0) continue;
        w->ApplyLook(LookOf(monitor_.Messages[static_cast<size_t>(i)], monitor_.BlinkPhase()),
                     font);
    }
    const std::vector<int> due = monitor_.Escalate(TMonitorTime::Now());
    for (int i : due) {
        if (TMonitorMessageForm* w = PopupOf(i)) {
            w->show();
            w->raise();
        }
    }
    if (!due.empty()) BringToFront();
}

// ---- pop-up windows ---------------------------------------------------------------------------

TMonitorMessageForm* TAlarmPresenter::PopupOf(int message) const {
    if (message < 0 || message >= static_cast<int>(monitor_.Messages.size())) return nullptr;
    const auto it = popups_.find(monitor_.Messages[static_cast<size_t>(message)].Number);
    return it == popups_.end() ? nullptr : it->second.data();
}

void TAlarmPresenter::ShowPopup(int message) {
    const TMonitorData& m = monitor_.Messages[static_cast<size_t>(message)];
    if (auto it = popups_.find(m.Number); it != popups_.end()) {
        delete it->second.data();
        popups_.erase(it);
    }
    auto* w = new TMonitorMessageForm(ctx_.texts, frame_.Window());
    w->setObjectName(PopupName(m.Number));
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->Prepare(m, Q(ctx_.settings.MonitorFont));
    if (const TWindowSlot* slot = monitor_.Slots().Slot(m.Slot)) w->PlaceAt(*slot);
    w->show();
    popups_[m.Number] = w;
}

void TAlarmPresenter::ClosePopups() {
    for (auto it = popups_.begin(); it != popups_.end();) {
        const int i = monitor_.IndexOfNumber(it->first);
        if (it->second && i >= 0 && monitor_.Messages[static_cast<size_t>(i)].IsActive()) {
            ++it;
            continue;
        }
        delete it->second.data();
        it = popups_.erase(it);
    }
}

void TAlarmPresenter::RaisePopups() {
    // The window of the lowest row ends on top.
    for (int i : monitor_.RowOrder())
        if (TMonitorMessageForm* w = PopupOf(i); w && w->isVisible()) w->raise();
}

void TAlarmPresenter::BringToFront() {
    QWidget* w = frame_.Window();
    if (w->isMinimized()) w->showNormal();
    w->raise();
    w->activateWindow();
}

// ---- the operator's actions ------------------------------------------------------------------

void TAlarmPresenter::UncheckSelectAll() {
    QSignalBlocker b(selectAll_);
    selectAll_->setChecked(false);
}

void TAlarmPresenter::MarkRow(int row) {
    if (listModel_->MessageAt(row) < 0) return;  // the trouble row, an empty row
    if (monitor_.SelectAll()) {
        monitor_.SetSelectAll(false);
        UncheckSelectAll();
    }
    monitor_.ToggleMark(listModel_->MessageRow(row));
    listModel_->Refresh();
}

void TAlarmPresenter::SelectAllClick(bool on) {
    monitor_.SetSelectAll(on);
    listModel_->Refresh();
}

void TAlarmPresenter::DeactiveClick() {
    if (clearRequest) {
        // The marks stay when the request could not be sent.
        if (clearRequest(Marked(false))) ClearMarks();
        return;
    }
    Apply(monitor_.DeactivateMarked(TMonitorTime::Now()));
    UncheckSelectAll();
}

void TAlarmPresenter::ExitClick() {
    // Every message of the list ends marked, so every active one is deactivated; the log
    // names Exit as the cause.
    if (clearRequest) {
        if (!clearRequest(Marked(true))) return;
        ClearMarks();
    } else {
        Apply(monitor_.DeactivateAll(TMonitorTime::Now()));
    }
    UncheckSelectAll();
    emit exitClicked();
}

}  // namespace ravlin
