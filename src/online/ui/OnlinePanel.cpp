#include "online/ui/OnlinePanel.h"

#include <QHBoxLayout>

#include "base/ui/Text.h"

namespace ravlin {

namespace {

QLineEdit* Field(QWidget* parent, const char* name, int chars) {
    auto* e = new QLineEdit("-", parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(chars, QChar('0'))) + 16);
    return e;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

}  // namespace

TOnlinePanelWidgets::TOnlinePanelWidgets(QWidget* panel) {
    auto* h = new QHBoxLayout(panel);
    h->setContentsMargins(8, 4, 8, 4);
    h->setSpacing(6);
    lTx_ = Label(panel, "LLastTx", "Last Tx");
    lastTx_ = Field(panel, "EditLastTx", 9);
    lBtn_ = Label(panel, "LLastBtn", "Button");
    lastBtn_ = Field(panel, "EditLastBtn", 3);
    lMem_ = Label(panel, "LLastMem", "Memory");
    lastMem_ = Field(panel, "EditLastMem", 6);
    lowBattery_ = new QLabel(" Low Batt ", panel);
    lowBattery_->setObjectName("LowBattLabel");
    lowBattery_->setStyleSheet(
        "QLabel { background-color: rgb(255, 0, 0); color: white; font-weight: bold; "
        "padding: 2px 4px; }");
    lowBattery_->hide();
    add_ = new QPushButton("Add", panel);
    add_->setObjectName("BtnAdd");
    add_->setEnabled(false);
    h->addWidget(lTx_);
    h->addWidget(lastTx_);
    h->addSpacing(12);
    h->addWidget(lBtn_);
    h->addWidget(lastBtn_);
    h->addSpacing(12);
    h->addWidget(lMem_);
    h->addWidget(lastMem_);
    h->addSpacing(12);
    h->addWidget(lowBattery_, 0, Qt::AlignVCenter);
    h->addStretch(1);
    h->addWidget(add_);
}

void TOnlinePanelWidgets::ApplyTexts(const TTextTable& texts) {
    const struct {
        QWidget* w;
        Text id;
    } captions[] = {{lTx_, Text::LastTxLabel},
                    {lBtn_, Text::ButtonColumn},
                    {lMem_, Text::MemoryLabel},
                    {add_, Text::PanelAdd}};
    for (const auto& c : captions) {
        const QString t = L(texts, c.id);
        if (t.isEmpty()) continue;
        if (auto* l = qobject_cast<QLabel*>(c.w)) l->setText(t);
        if (auto* b = qobject_cast<QPushButton*>(c.w)) b->setText(t);
    }
}

void TOnlinePanelWidgets::Show(const TOnlinePanel& fields) {
    lastTx_->setText(Q(fields.lastTx));
    lastBtn_->setText(Q(fields.lastBtn));
    lastMem_->setText(Q(fields.lastMem));
    lowBattery_->setVisible(fields.lowBattery);
    add_->setEnabled(fields.addEnabled);
}

}  // namespace ravlin
