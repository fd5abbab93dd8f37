#include "app/ui/AppSetupForm.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "base/ui/Text.h"
#include "bridge/BrokerConfig.h"
#include "online/History.h"

namespace ravlin {

namespace {

// Filters of the two "Find ..." dialogs.
const char kDataFilter[] = "Data files (*.rvl)";
const char kMonitorFilter[] = "Monitor files (*.mon)";

// The five ranges of the battery and history logs, in the order of their buttons.
constexpr Text kLogRangeTexts[] = {
    Text::LogRangeOff, Text::LogRangeReceiverMemory, Text::LogRangeApplicationMemory,
    Text::LogRangeReceiverAndApplication, Text::LogRangeAllTransmitters};

QRadioButton* Radio(const char* text, QWidget* parent, QVBoxLayout* layout) {
    auto* r = new QRadioButton(text, parent);
    layout->addWidget(r);
    return r;
}

}  // namespace

TAppSetupForm::TAppSetupForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName("AppSetupForm");
    setWindowTitle("Application setup");
    chooseFile = [this](const QString& filter) {
        return QFileDialog::getOpenFileName(this, QString(), QString(), filter);
    };
    pages_ = new QTabWidget(this);
    pages_->addTab(BuildBasic(), "Basic");
    pages_->addTab(BuildStartup(), "Start-up");
    pages_->addTab(BuildOnline(), "On-line mode");
    pages_->addTab(BuildBroker(), "Broker");
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addWidget(pages_);
    v->addWidget(box);
}

TAppSetupForm::~TAppSetupForm() {
    // Hiding the window in its destruction moves the focus out of a title field: its
    // leaving step must not run on a half-destroyed window.
    for (QLineEdit* t : titles_) disconnect(t, nullptr, this, nullptr);
}

QWidget* TAppSetupForm::BuildBasic() {
    auto* page = new QWidget;
    page->setObjectName("BasicPage");
    auto* v = new QVBoxLayout(page);

    auto* top = new QHBoxLayout;
    languageLabel_ = new QLabel("Language", page);
    language_ = new QComboBox(page);
    language_->setObjectName("LanguageCombo");
    languageLabel_->setBuddy(language_);
    top->addWidget(languageLabel_);
    top->addWidget(language_);
    top->addStretch();
    v->addLayout(top);
    backup_ = new QCheckBox("Backup on every download", page);
    backup_->setObjectName("BackupBox");
    v->addWidget(backup_);

    soundGroup_ = new QGroupBox("Play sound through ", page);
    soundGroup_->setObjectName("SoundRadioGroup");
    auto* sv = new QVBoxLayout(soundGroup_);
    // Items in the window's order: sound card, PC speaker, sounds off.
    sound_[static_cast<int>(TSoundOutput::SoundCard)] = Radio("Sound card", soundGroup_, sv);
    sound_[static_cast<int>(TSoundOutput::Speaker)] = Radio("PC speaker", soundGroup_, sv);
    sound_[static_cast<int>(TSoundOutput::Off)] = Radio("Sounds off", soundGroup_, sv);

    userGroup_ = new QGroupBox("User fields labels", page);
    auto* ug = new QGridLayout(userGroup_);
    visibleLabel_ = new QLabel("Visible", userGroup_);
    ug->addWidget(visibleLabel_, 0, 2);
    const char* names[5] = {"UserIDEdit", "User1Edit", "User2Edit", "User3Edit", "User4Edit"};
    const char* boxes[5] = {"VisibleBoxID", "VisibleBox1", "VisibleBox2", "VisibleBox3",
                            "VisibleBox4"};
    for (int i = 0; i < 5; ++i) {
        titleLabels_[i] = new QLabel(userGroup_);
        titles_[i] = new QLineEdit(userGroup_);
        titles_[i]->setObjectName(names[i]);
        titleLabels_[i]->setBuddy(titles_[i]);
        visible_[i] = new QCheckBox(userGroup_);
        visible_[i]->setObjectName(boxes[i]);
        ug->addWidget(titleLabels_[i], i + 1, 0);
        ug->addWidget(titles_[i], i + 1, 1);
        ug->addWidget(visible_[i], i + 1, 2, Qt::AlignHCenter);
        connect(titles_[i], &QLineEdit::editingFinished, this, [this, i] { LeaveTitle(i); });
    }
    ug->setColumnStretch(1, 1);

    sortGroup_ = new QGroupBox("File view - sorting", page);
    auto* sg = new QGridLayout(sortGroup_);
    columnLabel_ = new QLabel("Column", sortGroup_);
    sortColumn_ = new QComboBox(sortGroup_);
    sortColumn_->setObjectName("ColCombo");
    columnLabel_->setBuddy(sortColumn_);
    up_ = new QRadioButton("Up", sortGroup_);
    up_->setObjectName("ColUp");
    down_ = new QRadioButton("Down", sortGroup_);
    down_->setObjectName("ColDown");
    sg->addWidget(columnLabel_, 0, 0);
    sg->addWidget(sortColumn_, 0, 1);
    sg->addWidget(up_, 1, 1);
    sg->addWidget(down_, 2, 1);
    sg->setColumnStretch(1, 1);

    // The monitor messages' font: kept in the settings, not offered (as the other
    // monitoring settings).
    fontGroup_ = new QGroupBox("Monitor Messages Font", page);
    auto* fg = new QHBoxLayout(fontGroup_);
    font_ = new QFontComboBox(fontGroup_);
    font_->setObjectName("MonitorFontCombo");
    sample_ = new QLabel("Sample text", fontGroup_);
    fg->addWidget(font_);
    fg->addWidget(sample_);
    connect(font_, &QFontComboBox::currentFontChanged, this, [this](const QFont& f) {
        QFont s = sample_->font();
        s.setFamily(f.family());
        sample_->setFont(s);
    });
    fontGroup_->hide();

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(userGroup_);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(soundGroup_);
    right->addWidget(sortGroup_);
    right->addStretch();
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);
    v->addLayout(columns);
    v->addWidget(fontGroup_);
    v->addStretch();
    return page;
}

QWidget* TAppSetupForm::BuildStartup() {
    auto* page = new QWidget;
    page->setObjectName("StartupPage");
    auto* g = new QGridLayout(page);
    auto box = [&](const char* name, const char* text) {
        auto* b = new QCheckBox(text, page);
        b->setObjectName(name);
        connect(b, &QCheckBox::toggled, this, [this, b](bool on) {
            if (on) StartupBoxChecked(b);
            EnableFileFields();
        });
        return b;
    };
    welcome_ = box("WelcomeBox", "Show welcome screen");
    download_ = box("DownloadBox", "Download data form Rx");
    openData_ = box("OpenDataBox", "Open data file (*.rvl)");
    online_ = box("OnlineBox", "Enable on-line mode");
    monitor_ = box("MonitorBox", "Enable monitor mode");
    openMonitor_ = box("OpenMonitorBox", "OpenMonitor file (*.mon)");
    dataEdit_ = new QLineEdit(page);
    dataEdit_->setObjectName("DataEdit");
    monitorEdit_ = new QLineEdit(page);
    monitorEdit_->setObjectName("MonitorEdit");
    dataButton_ = new QPushButton("Find ...", page);
    dataButton_->setObjectName("OpenDataButton");
    monitorButton_ = new QPushButton("Find ...", page);
    monitorButton_->setObjectName("OpenMonitorButton");
    connect(dataButton_, &QPushButton::clicked, this, [this] {
        const QString f = chooseFile(kDataFilter);
        if (!f.isEmpty()) dataEdit_->setText(f);
    });
    connect(monitorButton_, &QPushButton::clicked, this, [this] {
        const QString f = chooseFile(kMonitorFilter);
        if (!f.isEmpty()) monitorEdit_->setText(f);
    });
    g->addWidget(welcome_, 0, 0, 1, 3);
    g->addWidget(download_, 1, 0, 1, 3);
    g->addWidget(openData_, 2, 0, 1, 3);
    g->addWidget(dataEdit_, 3, 0, 1, 2);
    g->addWidget(dataButton_, 3, 2);
    g->addWidget(online_, 4, 0, 1, 3);
    g->addWidget(monitor_, 5, 0, 1, 3);
    g->addWidget(openMonitor_, 6, 0, 1, 3);
    g->addWidget(monitorEdit_, 7, 0, 1, 2);
    g->addWidget(monitorButton_, 7, 2);
    g->setColumnStretch(1, 1);
    g->setRowStretch(8, 1);
    // The modes' start-up options are switched in the settings file only.
    for (QWidget* w : {static_cast<QWidget*>(online_), static_cast<QWidget*>(monitor_),
                       static_cast<QWidget*>(openMonitor_), static_cast<QWidget*>(monitorEdit_),
                       static_cast<QWidget*>(monitorButton_)})
        w->hide();
    return page;
}

QWidget* TAppSetupForm::BuildOnline() {
    auto* page = new QWidget;
    page->setObjectName("OnlinePage");
    auto* v = new QVBoxLayout(page);
    beep_ = new QCheckBox("Beep on every receive", page);
    beep_->setObjectName("BeepBox");
    find_ = new QCheckBox("Find last received Tx in tables", page);
    find_->setObjectName("FindBox");
    v->addWidget(beep_);
    v->addWidget(find_);
    historyGroup_ = new QGroupBox("History", page);
    auto* hg = new QHBoxLayout(historyGroup_);
    lengthLabel_ = new QLabel("Length", historyGroup_);
    historyLength_ = new QSpinBox(historyGroup_);
    historyLength_->setObjectName("HistoryEdit");
    historyLength_->setRange(1, THistory::kMaxLength);
    lengthLabel_->setBuddy(historyLength_);
    recordsLabel_ = new QLabel("Records", historyGroup_);
    historyClear_ = new QCheckBox("Clear", historyGroup_);
    historyClear_->setObjectName("HistoryClearBox");
    hg->addWidget(lengthLabel_);
    hg->addWidget(historyLength_);
    hg->addWidget(recordsLabel_);
    hg->addStretch();
    hg->addWidget(historyClear_);
    v->addWidget(historyGroup_);
    auto levels = [&](const char* name, const char* title, std::array<QRadioButton*, 5>& out) {
        auto* g = new QGroupBox(title, page);
        g->setObjectName(name);
        auto* gl = new QVBoxLayout(g);
        const char* items[5] = {"Off", "Receiver memory", "Application memory",
                                "Receiver and application", "All transmitters"};
        for (int i = 0; i < 5; ++i) out[i] = Radio(items[i], g, gl);
        return g;
    };
    auto* ranges = new QHBoxLayout;
    historyRange_ = levels("HistoryRadio", "History range", historyLevel_);
    batteryRange_ = levels("BatteryRadio", "Battery monitoring", batteryLevel_);
    ranges->addWidget(historyRange_);
    ranges->addWidget(batteryRange_);
    v->addLayout(ranges);
    v->addStretch();
    return page;
}

QWidget* TAppSetupForm::BuildBroker() {
    auto* page = new QWidget;
    page->setObjectName("BrokerPage");
    auto* g = new QGridLayout(page);
    brokerOn_ = new QCheckBox("Publish to the site's broker", page);
    brokerOn_->setObjectName("BrokerOnBox");
    g->addWidget(brokerOn_, 0, 0, 1, 3);
    int row = 1;
    auto field = [&](const char* name, const char* label, const char* hint) {
        auto* l = new QLabel(label, page);
        auto* e = new QLineEdit(page);
        e->setObjectName(name);
        e->setPlaceholderText(hint);
        l->setBuddy(e);
        g->addWidget(l, row, 0);
        g->addWidget(e, row, 1);
        ++row;
        return e;
    };
    auto chooser = [&](QLineEdit* edit, const char* name) {
        auto* b = new QPushButton("...", page);
        b->setObjectName(name);
        b->setMaximumWidth(40);
        g->addWidget(b, row - 1, 2);
        connect(b, &QPushButton::clicked, this, [this, edit] {
            const QString f = chooseFile(QStringLiteral("All files (*)"));
            if (!f.isEmpty()) edit->setText(f);
        });
    };
    brokerUrl_ = field("BrokerUrlEdit", "URL", "mqtt://HOST:PORT or mqtts://HOST:PORT");
    brokerSite_ = field("BrokerSiteEdit", "Site", "");
    brokerReceiver_ = field("BrokerReceiverEdit", "Receiver", "");
    brokerUser_ = field("BrokerUserEdit", "User", "none");
    brokerPasswordFile_ =
        field("BrokerPasswordFileEdit", "Password file", "first line, readable by you alone");
    chooser(brokerPasswordFile_, "BrokerPasswordFileButton");
    brokerCaFile_ = field("BrokerCaFileEdit", "CA file", "mqtts: the system's authorities");
    chooser(brokerCaFile_, "BrokerCaFileButton");
    g->setColumnStretch(1, 1);
    g->setRowStretch(row, 1);
    return page;
}

bool TAppSetupForm::TakeBroker(TBrokerSetup& b) {
    b.on = brokerOn_->isChecked();
    b.url = ToCoreLossy(brokerUrl_->text().trimmed());
    b.site = ToCoreLossy(brokerSite_->text().trimmed());
    b.receiver = ToCoreLossy(brokerReceiver_->text().trimmed());
    b.user = ToCoreLossy(brokerUser_->text().trimmed());
    b.passwordFile = CorePath(brokerPasswordFile_->text().trimmed());
    b.caFile = CorePath(brokerCaFile_->text().trimmed());
    std::string why;
    if (!b.on || CheckBrokerConfig(BrokerConfigOf(b), why)) return true;
    pages_->setCurrentWidget(brokerUrl_->parentWidget());
    ui_.Error(TMessage::Fixed("Broker: " + why));
    return false;
}

void TAppSetupForm::ApplyTexts() {
    setWindowTitle(L(texts_, Text::AppSetupCaption));
    pages_->setTabText(0, L(texts_, Text::SetupBasicPage));
    pages_->setTabText(1, L(texts_, Text::SetupStartupPage));
    pages_->setTabText(2, L(texts_, Text::SetupOnlinePage));
    languageLabel_->setText(L(texts_, Text::LanguageLabel));
    backup_->setText(L(texts_, Text::BackupOnDownload));
    welcome_->setText(L(texts_, Text::ShowWelcome));
    find_->setText(L(texts_, Text::FindLastReceived));
    sortGroup_->setTitle(L(texts_, Text::FileViewSorting));
    columnLabel_->setText(L(texts_, Text::SortColumn));
    up_->setText(L(texts_, Text::SortUp));
    down_->setText(L(texts_, Text::SortDown));
    userGroup_->setTitle(L(texts_, Text::UserFieldLabels));
    visibleLabel_->setText(L(texts_, Text::Visible));
    for (int i = 0; i < 5; ++i)
        titleLabels_[i]->setText(L(texts_, TextInRun(Text::UserIdTitle, i)));
    download_->setText(L(texts_, Text::StartDownload));
    online_->setText(L(texts_, Text::StartOnline));
    monitor_->setText(L(texts_, Text::StartMonitor));
    openData_->setText(L(texts_, Text::StartOpenData));
    openMonitor_->setText(L(texts_, Text::StartOpenMonitor));
    dataButton_->setText(L(texts_, Text::ChooseFile));
    monitorButton_->setText(L(texts_, Text::ChooseFile));
    fontGroup_->setTitle(L(texts_, Text::MonitorFont));
    sample_->setText(L(texts_, Text::SampleText));
    soundGroup_->setTitle(L(texts_, Text::PlaySoundThrough));
    sound_[static_cast<int>(TSoundOutput::SoundCard)]->setText(L(texts_, Text::SoundCard));
    sound_[static_cast<int>(TSoundOutput::Speaker)]->setText(L(texts_, Text::PcSpeaker));
    sound_[static_cast<int>(TSoundOutput::Off)]->setText(L(texts_, Text::SoundsOff));
    batteryRange_->setTitle(L(texts_, Text::BatteryMonitoring));
    historyRange_->setTitle(L(texts_, Text::HistoryRange));
    for (int i = 0; i < 5; ++i) {
        batteryLevel_[i]->setText(L(texts_, kLogRangeTexts[i]));
        historyLevel_[i]->setText(L(texts_, kLogRangeTexts[i]));
    }
    historyGroup_->setTitle(L(texts_, Text::HistoryGroup));
    lengthLabel_->setText(L(texts_, Text::HistoryLength));
    recordsLabel_->setText(L(texts_, Text::HistoryRecords));
    historyClear_->setText(L(texts_, Text::ClearHistory));
    beep_->setText(L(texts_, Text::BeepOnReceive));
}

void TAppSetupForm::Prepare(const TAppSetupValues& v, const TAppSetupChoices& c) {
    values_ = v;
    titleColumn_ = c.titleColumn;
    ApplyTexts();
    pages_->setCurrentIndex(0);

    language_->clear();
    for (const std::string& code : c.languages) language_->addItem(Q(code));
    int li = language_->findText(Q(v.language));
    if (li < 0) li = language_->findText("US");
    language_->setCurrentIndex(li);
    backup_->setChecked(v.backup);
    sound_[static_cast<int>(v.sound)]->setChecked(true);
    for (int i = 0; i < 5; ++i) {
        titles_[i]->setText(Q(v.titles[i]));
        visible_[i]->setChecked(v.visible[i]);
    }
    sortColumn_->clear();
    for (const std::string& t : c.sortColumns) sortColumn_->addItem(Q(t));
    sortColumn_->setCurrentIndex(
        v.sort.column >= 0 && v.sort.column < sortColumn_->count() ? v.sort.column : -1);
    (v.sort.ascending ? up_ : down_)->setChecked(true);
    // A font the system lacks is shown by name and kept unless another is chosen.
    const QString family = Q(v.monitorFont);
    const int fi = font_->findText(family);
    font_->setCurrentIndex(fi);
    if (fi < 0) font_->setEditText(family);

    // The start-up boxes as stored, also when hand-edited settings check both kinds.
    for (QCheckBox* b : {welcome_, download_, openData_, online_, monitor_, openMonitor_}) {
        const QSignalBlocker block(b);
        b->setChecked(b == welcome_    ? v.welcome
                      : b == download_ ? v.download
                      : b == openData_ ? v.openDataFile
                      : b == online_   ? v.online
                      : b == monitor_  ? v.monitor
                                       : v.openMonitorFile);
    }
    dataEdit_->setText(QPath(v.openDataPath));
    monitorEdit_->setText(QPath(v.openMonitorPath));
    EnableFileFields();

    beep_->setChecked(v.beep);
    find_->setChecked(v.findLast);
    historyLength_->setValue(v.historyLength);
    historyClear_->setChecked(false);
    historyLevel_[std::clamp(v.historyLevel, 0, 4)]->setChecked(true);
    batteryLevel_[std::clamp(v.batteryLevel, 0, 4)]->setChecked(true);

    brokerOn_->setChecked(v.broker.on);
    brokerUrl_->setText(Q(v.broker.url));
    brokerSite_->setText(Q(v.broker.site));
    brokerReceiver_->setText(Q(v.broker.receiver));
    brokerUser_->setText(Q(v.broker.user));
    brokerPasswordFile_->setText(QPath(v.broker.passwordFile));
    brokerCaFile_->setText(QPath(v.broker.caFile));
}

void TAppSetupForm::StartupBoxChecked(QCheckBox* box) {
    if (box == welcome_) {
        for (QCheckBox* b : {download_, openData_, online_, monitor_}) b->setChecked(false);
    } else if (box != openMonitor_) {
        welcome_->setChecked(false);
    }
}

void TAppSetupForm::EnableFileFields() {
    dataEdit_->setEnabled(openData_->isChecked());
    dataButton_->setEnabled(openData_->isChecked());
    monitorEdit_->setEnabled(openMonitor_->isChecked());
    monitorButton_->setEnabled(openMonitor_->isChecked());
}

void TAppSetupForm::LeaveTitle(int i) {
    if (titles_[i]->text().trimmed().isEmpty())
        titles_[i]->setText(L(texts_, TextInRun(Text::UserIdTitle, i)));
    const int entry = titleColumn_[i];
    if (entry >= 0 && entry < sortColumn_->count())
        sortColumn_->setItemText(entry, titles_[i]->text());
}

void TAppSetupForm::accept() {
    // A title field that still has the focus is left first.
    for (int i = 0; i < 5; ++i)
        if (titles_[i]->hasFocus()) LeaveTitle(i);
    TAppSetupValues v = values_;
    if (!TakeBroker(v.broker)) return;
    for (int i = 0; i < 5; ++i) {
        auto title = TypedText(titles_[i]->text(), titleLabels_[i]->text(), ui_, titles_[i]);
        if (!title) {
            pages_->setCurrentIndex(0);
            return;
        }
        v.titles[i] = *title;
        v.visible[i] = visible_[i]->isChecked();
    }
    v.language = ToCoreLossy(language_->currentIndex() >= 0 ? language_->currentText()
                                                            : language_->itemText(0));
    if (font_->currentIndex() >= 0) v.monitorFont = ToCoreLossy(font_->currentText());
    // The sort column is found by its text (a title may have been renamed meanwhile).
    const int column = sortColumn_->findText(sortColumn_->currentText());
    v.sort.column = column < 0 ? 0 : column;
    v.sort.ascending = up_->isChecked();
    v.backup = backup_->isChecked();
    v.sound = sound_[static_cast<int>(TSoundOutput::SoundCard)]->isChecked()
                  ? TSoundOutput::SoundCard
              : sound_[static_cast<int>(TSoundOutput::Speaker)]->isChecked() ? TSoundOutput::Speaker
                                                                             : TSoundOutput::Off;
    v.welcome = welcome_->isChecked();
    v.download = download_->isChecked();
    v.openDataFile = openData_->isChecked();
    v.openDataPath = CorePath(dataEdit_->text().trimmed());
    v.online = online_->isChecked();
    v.monitor = monitor_->isChecked();
    v.openMonitorFile = openMonitor_->isChecked();
    v.openMonitorPath = CorePath(monitorEdit_->text().trimmed());
    v.beep = beep_->isChecked();
    v.findLast = find_->isChecked();
    v.historyLength = historyLength_->value();
    v.clearHistory = historyClear_->isChecked();
    for (int i = 0; i < 5; ++i) {
        if (historyLevel_[i]->isChecked()) v.historyLevel = i;
        if (batteryLevel_[i]->isChecked()) v.batteryLevel = i;
    }
    values_ = v;
    QDialog::accept();
}

}  // namespace ravlin
