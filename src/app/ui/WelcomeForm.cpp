#include "app/ui/WelcomeForm.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QStyle>
#include <QVBoxLayout>
#include <array>

#include "base/ui/Icons.h"
#include "base/ui/Text.h"

namespace ravlin {

namespace {

QToolButton* PictureButton(const char* name, const QIcon& icon, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(icon);
    b->setIconSize(QSize(48, 48));
    b->setAutoRaise(false);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setMinimumSize(72, 72);
    return b;
}

QLabel* Caption(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    l->setWordWrap(true);
    l->setMinimumWidth(96);
    return l;
}

}  // namespace

TWelcomeForm::TWelcomeForm(const TTextTable& texts, QWidget* parent)
    : QDialog(parent), texts_(texts) {
    setObjectName("WelcomeForm");
    setWindowTitle("Ravlin");
    setModal(false);
    QStyle* st = style();
    heading_ = new QLabel("Select first operation", this);
    QFont hf = heading_->font();
    hf.setBold(true);
    hf.setPointSizeF(hf.pointSizeF() * 1.3);
    heading_->setFont(hf);
    new_ = PictureButton("BtnNew", st->standardIcon(QStyle::SP_FileIcon), this);
    open_ = PictureButton("BtnOpen", st->standardIcon(QStyle::SP_DialogOpenButton), this);
    openLast_ =
        PictureButton("BtnOpen2", st->standardIcon(QStyle::SP_FileDialogDetailedView), this);
    login_ =
        PictureButton("BtnLogin", GlyphIcon(QString(QChar(0x2192)), QColor(40, 120, 170)), this);
    setup_ =
        PictureButton("BtnSetup", GlyphIcon(QString(QChar(0x2699)), QColor(90, 90, 110)), this);
    loginMonitor_ = PictureButton("BitBtn1", GlyphIcon("M", QColor(120, 60, 160)), this);
    newLabel_ = Caption(this);
    openLabel_ = Caption(this);
    openLastLabel_ = Caption(this);
    loginLabel_ = Caption(this);
    setupLabel_ = Caption(this);
    loginMonitorLabel_ = Caption(this);
    recent_ = Caption(this);
    recent_->setObjectName("LabelRecent");
    connection_ = Caption(this);
    connection_->setObjectName("LabelConn");
    connection_->setWordWrap(false);  // an address is not broken
    for (QLabel* l : {recent_, connection_}) {
        QFont f = l->font();
        f.setItalic(true);
        l->setFont(f);
    }
    hints_ = new QLabel(this);
    hints_->setObjectName("LabelHints");
    hints_->setWordWrap(true);
    hints_->setFrameShape(QFrame::StyledPanel);
    hints_->setMargin(6);
    showBox_ = new QCheckBox("Don't show next time", this);
    showBox_->setObjectName("ShowBox");

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    const std::array<QToolButton*, 6> buttons = {new_,   open_,  openLast_,
                                                 login_, setup_, loginMonitor_};
    const std::array<QLabel*, 6> labels = {newLabel_,   openLabel_,  openLastLabel_,
                                           loginLabel_, setupLabel_, loginMonitorLabel_};
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(buttons[i], 0, i, Qt::AlignHCenter);
        grid->addWidget(labels[i], 1, i);
    }
    grid->addWidget(recent_, 2, 2);
    grid->addWidget(connection_, 2, 3);
    // The login-and-monitor button is for installations that start monitoring by hand;
    // it is not offered here.
    loginMonitor_->hide();
    loginMonitorLabel_->hide();

    auto* v = new QVBoxLayout(this);
    v->addWidget(heading_);
    v->addSpacing(8);
    v->addLayout(grid);
    v->addSpacing(8);
    v->addWidget(hints_);
    v->addSpacing(8);
    v->addWidget(showBox_);

    connect(new_, &QToolButton::clicked, this, &TWelcomeForm::newClicked);
    connect(open_, &QToolButton::clicked, this, &TWelcomeForm::openClicked);
    connect(openLast_, &QToolButton::clicked, this, &TWelcomeForm::openLastClicked);
    connect(login_, &QToolButton::clicked, this, &TWelcomeForm::loginClicked);
    connect(setup_, &QToolButton::clicked, this, &TWelcomeForm::setupClicked);
    connect(loginMonitor_, &QToolButton::clicked, this, &TWelcomeForm::loginMonitorClicked);
}

void TWelcomeForm::ApplyTexts() {
    setWindowTitle(L(texts_, Text::WelcomeCaption));
    heading_->setText(L(texts_, Text::SelectFirstOperation));
    newLabel_->setText(LPlain(texts_, Text::NewFile));
    openLabel_->setText(LPlain(texts_, Text::OpenFile));
    openLastLabel_->setText(LPlain(texts_, Text::OpenLastFile));
    loginLabel_->setText(LPlain(texts_, Text::MenuLogin));
    setupLabel_->setText(LPlain(texts_, Text::MenuCommSetup));
    loginMonitorLabel_->setText(LPlain(texts_, Text::Monitor));
    showBox_->setText(L(texts_, Text::DontShowAgain));
    QStringList hints;
    for (Text t : {Text::HintOnline, Text::HintMonitor, Text::HintHistory})
        if (const QString h = L(texts_, t); !h.isEmpty()) hints << h;
    hints_->setText(hints.join('\n'));
    hints_->setVisible(!hints.isEmpty());
    // The pictures' tool tips say what the labels say.
    new_->setToolTip(newLabel_->text());
    open_->setToolTip(openLabel_->text());
    openLast_->setToolTip(openLastLabel_->text());
    login_->setToolTip(loginLabel_->text());
    setup_->setToolTip(setupLabel_->text());
}

void TWelcomeForm::Prepare(const QString& lastFile, const QString& connection) {
    ApplyTexts();
    const bool has = !lastFile.isEmpty();
    recent_->setText(has ? QFileInfo(lastFile).fileName() : QStringLiteral("-"));
    recent_->setToolTip(lastFile);
    openLast_->setEnabled(has);
    SetConnection(connection);
}

void TWelcomeForm::SetConnection(const QString& connection) {
    connection_->setText(connection);
}

void TWelcomeForm::done(int r) {
    QDialog::done(r);
    emit closed();
}

}  // namespace ravlin
