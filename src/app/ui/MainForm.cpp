#include "app/ui/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include "base/ui/Icons.h"
#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"

namespace ravlin {

namespace {

enum TMenu { FileMenu, EditMenu, ViewMenu, CommMenu, SetupMenu, HelpMenu, NoMenu };
static_assert(static_cast<int>(TMenuName::File) == FileMenu &&
              static_cast<int>(TMenuName::Communication) == CommMenu &&
              static_cast<int>(TMenuName::Help) == HelpMenu);

enum TFlags : unsigned {
    Comm = 1,       // off while a receiver command runs
    Records = 2,    // Add, Edit, Delete
    Hidden = 4,     // not shown in the menu; a key still reaches it
    Separated = 8,  // a separator before it in its menu
};

// Every command of the main window in menu order. A controller finds its items by name and
// connects them; a new command is a new row here.
struct TMenuItem {
    const char* name;
    TMenu menu;
    Text text;            // language text of the caption; None: the owning controller sets it
    const char* caption;  // the caption before a language is loaded
    const char* key;
    unsigned flags;
};

constexpr TMenuItem kMenuItems[] = {
    {"MenuNew", FileMenu, Text::MenuNew, "New", "", 0},
    {"MenuOpen", FileMenu, Text::MenuOpen, "Open ...", "Ctrl+O", 0},
    {"MenuOpenMonitor", FileMenu, Text::MenuOpenMonitor, "Open monitoring ...", "", Hidden},
    {"MenuRecent", FileMenu, Text::None, "&Recent files", "", 0},
    {"MenuSave", FileMenu, Text::MenuSaveAll, "Save all", "Ctrl+S", Separated},
    {"MenuSaveAs", FileMenu, Text::MenuSaveAs, "Save as ...", "", 0},
    {"MenuSaveMonitorAs", FileMenu, Text::MenuSaveMonitorAs, "Save monitoring as ...", "", Hidden},
    {"MenuClose", FileMenu, Text::MenuClose, "Close", "", 0},
    {"MenuExport", FileMenu, Text::MenuExport, "Export ...", "", Separated},
    {"MenuImport", FileMenu, Text::MenuImportComments, "Import comments ...", "", 0},
    {"MenuOpenBackup", FileMenu, Text::MenuOpenBackup, "Open backup ...", "", 0},
    {"MenuPrint", FileMenu, Text::MenuPrint, "Print ...", "", Separated},
    {"MenuPrintPreview", FileMenu, Text::None, "Print preview ...", "", 0},
    {"MenuExit", FileMenu, Text::MenuExit, "Exit", "", Separated},
    {"MenuUndo", EditMenu, Text::None, "&Undo", "Ctrl+Z", 0},
    {"MenuRedo", EditMenu, Text::None, "&Redo", "Ctrl+Shift+Z", 0},
    {"MenuAdd", EditMenu, Text::MenuAdd, "Add", "F5", Records | Separated},
    {"MenuEdit", EditMenu, Text::MenuEdit, "Edit", "F6", Records},
    {"MenuDelete", EditMenu, Text::MenuDelete, "Delete", "F7", Records},
    {"MenuFind", EditMenu, Text::MenuFind, "Find ...", "Ctrl+F", Separated},
    {"MenuFindNext", EditMenu, Text::MenuFindNext, "Find next", "Ctrl+N", 0},
    {"MenuCut", EditMenu, Text::MenuCut, "Cu&t", "Ctrl+X", Separated},
    {"MenuCopy", EditMenu, Text::MenuCopy, "&Copy", "Ctrl+C", 0},
    {"MenuPaste", EditMenu, Text::MenuPaste, "&Paste", "Ctrl+V", 0},
    {"MenuHistoryView", ViewMenu, Text::HistoryView, "History view", "", 0},
    {"MenuBatteryView", ViewMenu, Text::BatteryView, "Battery view", "", 0},
    {"MenuLastHeard", ViewMenu, Text::None, "Last heard column", "", Separated},
    {"MenuMonitorView", ViewMenu, Text::Monitoring, "Monitoring", "", Separated},
    {"MenuUpload", CommMenu, Text::MenuUpload, "Upload", "F10", Comm},
    {"MenuDownload", CommMenu, Text::MenuDownload, "Download", "F11", Comm},
    {"MenuLogin", CommMenu, Text::None, "Login", "F9", Comm | Separated},
    {"MenuPassChange", CommMenu, Text::MenuPassChange, "Password change", "", Comm},
    {"MenuOnline", CommMenu, Text::MenuOnline, "Online", "F12", Comm | Hidden},
    {"MenuMonitor", CommMenu, Text::Monitor, "Monitor", "Ctrl+F12", Comm | Hidden},
    // Monitor mode from the menu as well as by its hidden command's key.
    {"MenuMonitorMode", CommMenu, Text::Monitor, "Monitor", "", Comm | Separated},
    // The receivers of a site: each on a link of its own, not the program's.
    {"MenuSite", CommMenu, Text::None, "Site ...", "", Separated},
    // A console of another receiver's alarms over the site's broker: no link of its own.
    {"MenuMonitorNetwork", CommMenu, Text::None, "Monitor over network ...", "", 0},
    {"MenuAppSetup", SetupMenu, Text::MenuAppSetup, "Application ...", "", 0},
    {"MenuCommSetup", SetupMenu, Text::MenuCommSetup, "Communication ...", "", Comm},
    {"MenuAbout", HelpMenu, Text::MenuAbout, "About", "", 0},
    // The tool bar's Login button has its own picture but runs the menu command.
    {"ToolButtonLogin", NoMenu, Text::None, "Login", "", Comm},
};

// Menu titles and their language texts (None: none in the language file).
constexpr const char* kMenuTitles[] = {"File", "Edit", "View", "Communication", "Settings", "Help"};
constexpr Text kMenuTitleTexts[] = {Text::FileMenu,          Text::EditMenu,     Text::None,
                                    Text::CommunicationMenu, Text::SettingsMenu, Text::HelpMenu};

// The tool bar; "" is a separator, "|Name" a separator that shows with Name's button.
constexpr const char* kToolBar[] = {"MenuNew",         "MenuOpen",   "MenuSave",     "",
                                    "MenuAdd",         "MenuEdit",   "MenuDelete",   "",
                                    "ToolButtonLogin", "",           "MenuUpload",   "MenuDownload",
                                    "|MenuOnline",     "MenuOnline", "|MenuMonitor", "MenuMonitor"};

const char* kPageNames[kPageCount] = {"MemoryPage", "UserPage", "HistoryPage", "BatteryPage",
                                      "MonitorPage"};
const char* kPageCaptions[kPageCount] = {"Memory view", "File view", "History view", "Battery view",
                                         "Monitoring"};
constexpr Text kPageTexts[kPageCount] = {Text::MemoryView, Text::FileView, Text::HistoryView,
                                         Text::BatteryView, Text::Monitoring};

}  // namespace

QIcon RavlinIcon() {
    // The desktop's icon theme first (an installed program), then the program's own
    // picture; drawn here when no SVG reader is installed.
    QIcon own(QStringLiteral(":/icons/ravlin.svg"));
    if (own.pixmap(QSize(32, 32)).isNull()) {
        QPixmap pm(64, 64);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(30, 90, 160));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        // Radio waves from a receiver.
        for (int r : {10, 20, 30}) p.drawArc(QRectF(16 - r, 48 - r, 2 * r, 2 * r), 0, 90 * 16);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 48), 4, 4);
        p.end();
        own = QIcon(pm);
    }
    return QIcon::fromTheme(QStringLiteral("ravlin"), own);
}

TMainForm::TMainForm(const TTextTable& texts, TQtUserInterface& ui, QWidget* parent)
    : QMainWindow(parent), texts_(texts), ui_(ui) {
    setObjectName("MainForm");
    setWindowTitle("Ravlin");
    setWindowIcon(RavlinIcon());
    setMinimumSize(600, 500);
    resize(900, 600);
    BuildMenus();
    BuildToolBar();
    BuildPages();
    BuildStatusBar();
    ui_.setParentWindow(this);
}

TMainForm::~TMainForm() = default;

QAction* TMainForm::Action(const QString& name) const {
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void TMainForm::BuildMenus() {
    for (int m = 0; m < NoMenu; ++m) menus_[m] = menuBar()->addMenu(kMenuTitles[m]);
    for (const TMenuItem& item : kMenuItems) {
        auto* a = new QAction(item.caption, this);
        a->setObjectName(item.name);
        if (*item.key) a->setShortcut(QKeySequence(item.key));
        actions_[item.name] = a;
        if (item.menu == NoMenu) continue;
        QMenu* menu = menus_[item.menu];
        if (item.flags & Separated) menu->addSeparator();
        menu->addAction(a);
        if (item.flags & Hidden) {
            a->setVisible(false);
            // A hidden action is disabled in Qt 6, shortcut included: the key goes to an
            // action of the window that is in no menu, switched with the command's group.
            if (*item.key) {
                a->setShortcut({});
                auto* key = new QAction(item.caption, this);
                key->setObjectName(QString(item.name) + "Key");
                key->setShortcut(QKeySequence(item.key));
                addAction(key);
                connect(key, &QAction::triggered, a, &QAction::trigger);
                keys_[item.name] = key;
            }
        }
    }
    connect(Action("ToolButtonLogin"), &QAction::triggered, Action("MenuLogin"), &QAction::trigger);
    connect(Action("MenuMonitorMode"), &QAction::triggered, Action("MenuMonitor"),
            &QAction::trigger);
    connect(Action("MenuExit"), &QAction::triggered, this, &QWidget::close);
}

void TMainForm::BuildToolBar() {
    toolBar_ = addToolBar("Tools");
    toolBar_->setObjectName("ToolBar");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(24, 24));
    QStyle* st = style();
    Action("MenuNew")->setIcon(st->standardIcon(QStyle::SP_FileIcon));
    Action("MenuOpen")->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    Action("MenuSave")->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    Action("MenuAdd")->setIcon(GlyphIcon("+", QColor(40, 140, 60)));
    Action("MenuEdit")->setIcon(GlyphIcon("E", QColor(200, 130, 20)));
    Action("MenuDelete")->setIcon(GlyphIcon(QString(QChar(0x00D7)), QColor(190, 40, 40)));
    Action("MenuUpload")->setIcon(st->standardIcon(QStyle::SP_ArrowUp));
    Action("MenuDownload")->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
    Action("MenuOnline")->setIcon(GlyphIcon("R", QColor(60, 110, 190)));
    Action("MenuMonitor")->setIcon(GlyphIcon("M", QColor(120, 60, 160)));
    for (const char* entry : kToolBar) {
        if (!*entry) {
            toolBar_->addSeparator();
        } else if (*entry == '|') {
            // Shown together with the hidden button that follows it.
            QAction* separator = toolBar_->addSeparator();
            QAction* button = Action(entry + 1);
            separator->setVisible(button->isVisible());
            connect(button, &QAction::visibleChanged, separator,
                    [separator, button] { separator->setVisible(button->isVisible()); });
        } else {
            toolBar_->addAction(Action(entry));
        }
    }
}

void TMainForm::BuildPages() {
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    pages_ = new QTabWidget(central);
    pages_->setObjectName("PageControl");
    for (int i = 0; i < kPageCount; ++i) {
        auto* page = new QWidget;
        page->setObjectName(kPageNames[i]);
        auto* pl = new QVBoxLayout(page);
        pl->setContentsMargins(0, 0, 0, 0);
        pageWidgets_[i] = page;
        pageCaptions_[i] = kPageCaptions[i];
        pages_->addTab(page, kPageCaptions[i]);
    }
    // The pages of on-line mode and monitoring show once their modes run.
    for (TPage p : {TPage::History, TPage::Battery, TPage::Monitoring}) SetPageVisible(p, false);
    connect(pages_, &QTabWidget::currentChanged, this, &TMainForm::pageChanged);
    v->addWidget(pages_, 1);
    auto* onlinePanel = new QFrame(central);
    onlinePanel->setObjectName("OnlinePanel");
    onlinePanel->setFrameShape(QFrame::StyledPanel);
    onlinePanel->setMinimumHeight(60);
    onlinePanel->hide();
    onlinePanel_ = onlinePanel;
    v->addWidget(onlinePanel_);
    monitorPanel_ = new QWidget(central);
    monitorPanel_->setObjectName("MonitorPanel");
    auto* mv = new QVBoxLayout(monitorPanel_);
    mv->setContentsMargins(0, 0, 0, 0);
    monitorPanel_->hide();
    v->addWidget(monitorPanel_, 1);
    setCentralWidget(central);
}

void TMainForm::BuildStatusBar() {
    const int widths[5] = {90, 150, 60, 60, 50};
    for (int i = 0; i < 5; ++i) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("Panel%1").arg(i));
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAlignment(i == 4 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        // The designed widths are minimums: a long receiver description stays readable.
        l->setMinimumWidth(widths[i]);
        statusBar()->addWidget(l, i == 4 ? 1 : 0);
        panels_[i] = l;
    }
    panels_[3]->setText("Saved");
    panels_[4]->setText("File");
    brokerPanel_ = new QLabel(this);
    brokerPanel_->setObjectName("BrokerPanel");
    brokerPanel_->setFrameShape(QFrame::Panel);
    brokerPanel_->setFrameShadow(QFrame::Sunken);
    statusBar()->addPermanentWidget(brokerPanel_);
    brokerPanel_->hide();
}

void TMainForm::ApplyTexts() {
    for (int m = 0; m < NoMenu; ++m)
        if (kMenuTitleTexts[m] != Text::None) menus_[m]->setTitle(L(texts_, kMenuTitleTexts[m]));
    for (const TMenuItem& item : kMenuItems)
        if (item.text != Text::None) Action(item.name)->setText(L(texts_, item.text));
    for (int i = 0; i < kPageCount; ++i) {
        pageCaptions_[i] = L(texts_, kPageTexts[i]);
        SetPageMark(static_cast<TPage>(i), pageMarks_[i]);
    }
}

void TMainForm::EnableGroup(TCommandGroup group, bool on) {
    const unsigned flag = group == TCommandGroup::Comm ? Comm : Records;
    for (const TMenuItem& item : kMenuItems)
        if (item.flags & flag) {
            Action(item.name)->setEnabled(on);
            if (const auto key = keys_.find(item.name); key != keys_.end())
                key->second->setEnabled(on);
        }
}

void TMainForm::EnableMenu(TMenuName menu, bool on) {
    menus_[static_cast<size_t>(menu)]->menuAction()->setEnabled(on);
}

bool TMainForm::MenuEnabled(TMenuName menu) const {
    return menus_[static_cast<size_t>(menu)]->menuAction()->isEnabled();
}

void TMainForm::EnableCommand(const QString& name, bool on) {
    if (QAction* a = Action(name)) a->setEnabled(on);
    if (const auto key = keys_.find(name); key != keys_.end()) key->second->setEnabled(on);
}

bool TMainForm::CommandEnabled(const QString& name) const {
    if (const auto key = keys_.find(name); key != keys_.end()) return key->second->isEnabled();
    const QAction* a = Action(name);
    return a && a->isEnabled();
}

void TMainForm::ShowMonitorLayout(bool on) {
    if (on == monitorLayout_) return;
    monitorLayout_ = on;
    if (on) {
        pagesWereShown_ = !pages_->isHidden();
        toolBarWasShown_ = !toolBar_->isHidden();
        onlinePanelWasShown_ = !onlinePanel_->isHidden();
        pages_->hide();
        toolBar_->hide();
        onlinePanel_->hide();
        monitorPanel_->show();
    } else {
        monitorPanel_->hide();
        pages_->setVisible(pagesWereShown_);
        toolBar_->setVisible(toolBarWasShown_);
        onlinePanel_->setVisible(onlinePanelWasShown_);
    }
}

bool TMainForm::CommCommandsEnabled() const {
    return Action("MenuDownload")->isEnabled();
}

QWidget* TMainForm::Page(TPage page) const {
    return pageWidgets_[static_cast<int>(page)];
}

void TMainForm::ShowPage(TPage page) {
    pages_->setCurrentIndex(static_cast<int>(page));
}

void TMainForm::SetPageVisible(TPage page, bool visible) {
    pages_->setTabVisible(static_cast<int>(page), visible);
}

TPage TMainForm::PageShown() const {
    return static_cast<TPage>(std::clamp(pages_->currentIndex(), 0, kPageCount - 1));
}

void TMainForm::SetPanel(int index, const QString& text) {
    if (index >= 0 && index < 5) panels_[index]->setText(text);
}

void TMainForm::SetBrokerPanel(const QString& text, const QString& detail) {
    brokerPanel_->setText(text);
    brokerPanel_->setToolTip(detail);
    brokerPanel_->setVisible(!text.isEmpty());
}

QString TMainForm::Panel(int index) const {
    return index >= 0 && index < 5 ? panels_[index]->text() : QString();
}

void TMainForm::SetPageMark(TPage page, bool mark) {
    const int i = static_cast<int>(page);
    pageMarks_[i] = mark;
    pages_->setTabText(i, mark ? pageCaptions_[i] + "*" : pageCaptions_[i]);
}

void TMainForm::closeEvent(QCloseEvent* e) {
    bool accept = true;
    emit closeQuery(accept);
    if (!accept) {
        e->ignore();
        return;
    }
    emit closing();
    e->accept();
}

void TMainForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shown_) {
        shown_ = true;
        emit firstShown();
    }
}

}  // namespace ravlin
