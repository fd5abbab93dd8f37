#include "app/ui/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHeaderView>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>

#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "views/ui/GridModel.h"

namespace ravlin {

namespace {

// A small picture for the tool bar: a letter or symbol on a coloured tile.
QIcon GlyphIcon(const QString& glyph, const QColor& colour) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(140));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(2.5, 2.5, 19, 19), 4, 4);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(2, 2, 20, 20), Qt::AlignCenter, glyph);
    return QIcon(pm);
}

QTableView* MakeGrid(QWidget* parent, TGridModel* model, const char* name) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideRight);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->setAlternatingRowColors(false);
    grid->setShowGrid(true);
    return grid;
}

}  // namespace

QIcon RavlinIcon() {
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
    return QIcon(pm);
}

TMainForm::TMainForm(const PopisType& texts, TQtUserInterface& ui, QWidget* parent)
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

QAction* TMainForm::Action(const char* name, const QString& caption, QKeySequence key) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    return a;
}

void TMainForm::BuildMenus() {
    MenuNew = Action("MenuNew", "New");
    MenuOpen = Action("MenuOpen", "Open ...", QKeySequence("Ctrl+O"));
    MenuOpenMonitor = Action("MenuOpenMonitor", "Open monitoring ...");
    MenuSave = Action("MenuSave", "Save all", QKeySequence("Ctrl+S"));
    MenuSaveAs = Action("MenuSaveAs", "Save as ...");
    MenuSaveMonitorAs = Action("MenuSaveMonitorAs", "Save monitoring as ...");
    MenuClose = Action("MenuClose", "Close");
    MenuExport = Action("MenuExport", "Export ...");
    MenuImport = Action("MenuImport", "Import comments ...");
    MenuOpenBackup = Action("MenuOpenBackup", "Open backup ...");
    MenuPrint = Action("MenuPrint", "Print ...");
    MenuExit = Action("MenuExit", "Exit");
    MenuAdd = Action("MenuAdd", "Add", QKeySequence("F5"));
    MenuEdit = Action("MenuEdit", "Edit", QKeySequence("F6"));
    MenuDelete = Action("MenuDelete", "Delete", QKeySequence("F7"));
    MenuFind = Action("MenuFind", "Find ...", QKeySequence("Ctrl+F"));
    MenuFindNext = Action("MenuFindNext", "Find next", QKeySequence("Ctrl+N"));
    MenuCut = Action("MenuCut", "Cu&t", QKeySequence("Ctrl+X"));
    MenuCopy = Action("MenuCopy", "&Copy", QKeySequence("Ctrl+C"));
    MenuPaste = Action("MenuPaste", "&Paste", QKeySequence("Ctrl+V"));
    MenuUpload = Action("MenuUpload", "Upload", QKeySequence("F10"));
    MenuDownload = Action("MenuDownload", "Download", QKeySequence("F11"));
    MenuLogin = Action("MenuLogin", "Login", QKeySequence("F9"));
    MenuPassChange = Action("MenuPassChange", "Password change");
    MenuOnline = Action("MenuOnline", "Online", QKeySequence("F12"));
    MenuMonitor = Action("MenuMonitor", "Monitor", QKeySequence("Ctrl+F12"));
    MenuAppSetup = Action("MenuAppSetup", "Application ...");
    MenuCommSetup = Action("MenuCommSetup", "Communication ...");
    MenuAbout = Action("MenuAbout", "About");
    // The tool bar's Login button has its own picture but runs the menu command.
    ToolButtonLogin = Action("ToolButtonLogin", "Login");
    connect(ToolButtonLogin, &QAction::triggered, MenuLogin, &QAction::trigger);
    // Hidden commands stay reachable through their keys: the actions live on the window.
    addAction(MenuOnline);
    addAction(MenuMonitor);
    connect(MenuExit, &QAction::triggered, this, &QWidget::close);

    fileMenu_ = menuBar()->addMenu("File");
    fileMenu_->addActions({MenuNew, MenuOpen, MenuOpenMonitor});
    fileMenu_->addSeparator();
    fileMenu_->addActions({MenuSave, MenuSaveAs, MenuSaveMonitorAs, MenuClose});
    fileMenu_->addSeparator();
    fileMenu_->addActions({MenuExport, MenuImport, MenuOpenBackup});
    fileMenu_->addSeparator();
    fileMenu_->addAction(MenuPrint);
    fileMenu_->addSeparator();
    fileMenu_->addAction(MenuExit);
    editMenu_ = menuBar()->addMenu("Edit");
    editMenu_->addActions({MenuAdd, MenuEdit, MenuDelete});
    editMenu_->addSeparator();
    editMenu_->addActions({MenuFind, MenuFindNext});
    editMenu_->addSeparator();
    editMenu_->addActions({MenuCut, MenuCopy, MenuPaste});
    commMenu_ = menuBar()->addMenu("Communication");
    commMenu_->addActions({MenuUpload, MenuDownload});
    commMenu_->addSeparator();
    commMenu_->addActions({MenuLogin, MenuPassChange, MenuOnline, MenuMonitor});
    setupMenu_ = menuBar()->addMenu("Settings");
    setupMenu_->addActions({MenuAppSetup, MenuCommSetup});
    helpMenu_ = menuBar()->addMenu("Help");
    helpMenu_->addAction(MenuAbout);

    MenuOpenMonitor->setVisible(false);
    MenuSaveMonitorAs->setVisible(false);
    MenuOnline->setVisible(false);
    MenuMonitor->setVisible(false);

    commActions_ = {MenuCommSetup, MenuLogin,  MenuPassChange, MenuUpload,
                    MenuDownload,  MenuOnline, MenuMonitor,    ToolButtonLogin};
}

void TMainForm::BuildToolBar() {
    toolBar_ = addToolBar("Tools");
    toolBar_->setObjectName("ToolBar");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(24, 24));
    QStyle* st = style();
    MenuNew->setIcon(st->standardIcon(QStyle::SP_FileIcon));
    MenuOpen->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    MenuSave->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    MenuAdd->setIcon(GlyphIcon("+", QColor(40, 140, 60)));
    MenuEdit->setIcon(GlyphIcon("E", QColor(200, 130, 20)));
    MenuDelete->setIcon(GlyphIcon(QString(QChar(0x00D7)), QColor(190, 40, 40)));
    MenuUpload->setIcon(st->standardIcon(QStyle::SP_ArrowUp));
    MenuDownload->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
    MenuOnline->setIcon(GlyphIcon("R", QColor(60, 110, 190)));
    MenuMonitor->setIcon(GlyphIcon("M", QColor(120, 60, 160)));
    SetLoginCaption(false);
    toolBar_->addActions({MenuNew, MenuOpen, MenuSave});
    toolBar_->addSeparator();
    toolBar_->addActions({MenuAdd, MenuEdit, MenuDelete});
    toolBar_->addSeparator();
    toolBar_->addAction(ToolButtonLogin);
    toolBar_->addSeparator();
    toolBar_->addActions({MenuUpload, MenuDownload});
    onlineSep_ = toolBar_->addSeparator();
    toolBar_->addAction(MenuOnline);
    monitorSep_ = toolBar_->addSeparator();
    toolBar_->addAction(MenuMonitor);
    onlineSep_->setVisible(false);
    monitorSep_->setVisible(false);
}

void TMainForm::BuildPages() {
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    pages_ = new QTabWidget(central);
    pages_->setObjectName("PageControl");
    memoryModel_ = new TGridModel(this);
    fileModel_ = new TGridModel(this);
    memoryGrid_ = MakeGrid(nullptr, memoryModel_, "MemoryGrid");
    fileGrid_ = MakeGrid(nullptr, fileModel_, "FileGrid");
    fileGrid_->horizontalHeader()->setSectionsMovable(true);
    const char* names[5] = {"MemoryPage", "UserPage", "HistoryPage", "BatteryPage", "MonitorPage"};
    const char* captions[5] = {"Memory view", "File view", "History view", "Battery view",
                               "Monitoring"};
    for (int i = 0; i < 5; ++i) {
        auto* page = new QWidget;
        page->setObjectName(names[i]);
        auto* pl = new QVBoxLayout(page);
        pl->setContentsMargins(0, 0, 0, 0);
        if (i == MemoryPage) pl->addWidget(memoryGrid_);
        if (i == UserPage) pl->addWidget(fileGrid_);
        pageWidgets_[i] = page;
        pageCaptions_[i] = captions[i];
        pages_->addTab(page, captions[i]);
    }
    for (int i = HistoryPage; i <= MonitorPage; ++i) pages_->setTabVisible(i, false);
    memoryGrid_->hide();
    fileGrid_->hide();
    connect(pages_, &QTabWidget::currentChanged, this, &TMainForm::pageChanged);
    v->addWidget(pages_, 1);
    onlinePanel_ = new QFrame(central);
    onlinePanel_->setObjectName("OnlinePanel");
    static_cast<QFrame*>(onlinePanel_)->setFrameShape(QFrame::StyledPanel);
    onlinePanel_->setMinimumHeight(60);
    onlinePanel_->hide();
    v->addWidget(onlinePanel_);
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
}

void TMainForm::ApplyTexts(bool loggedIn, bool online) {
    auto t = [&](int id) { return L(texts_, id); };
    fileMenu_->setTitle(t(0));
    editMenu_->setTitle(t(1));
    commMenu_->setTitle(t(2));
    setupMenu_->setTitle(t(3));
    helpMenu_->setTitle(t(4));
    const std::pair<QAction*, int> items[] = {
        {MenuNew, 5},         {MenuOpen, 6},         {MenuSave, 7},           {MenuSaveAs, 8},
        {MenuImport, 9},      {MenuPrint, 10},       {MenuClose, 11},         {MenuAdd, 12},
        {MenuEdit, 13},       {MenuDelete, 14},      {MenuOpenBackup, 15},    {MenuCut, 16},
        {MenuCopy, 17},       {MenuPaste, 18},       {MenuCommSetup, 19},     {MenuAppSetup, 20},
        {MenuPassChange, 21}, {MenuUpload, 22},      {MenuDownload, 23},      {MenuAbout, 26},
        {MenuExit, 30},       {MenuOpenMonitor, 70}, {MenuSaveMonitorAs, 71}, {MenuExport, 72},
        {MenuFind, 140},      {MenuFindNext, 141},   {MenuMonitor, 230}};
    for (auto [action, id] : items) action->setText(t(id));
    MenuOnline->setText(t(online ? 25 : 24));
    SetLoginCaption(loggedIn);
    const int pageTexts[5] = {158, 159, 215, 200, 231};
    for (int i = 0; i < 5; ++i) {
        pageCaptions_[i] = t(pageTexts[i]);
        SetPageMark(i, pageMarks_[i]);
    }
}

void TMainForm::SetLoginCaption(bool loggedIn) {
    loggedIn_ = loggedIn;
    const QString caption =
        texts_.size() > 34 ? L(texts_, loggedIn ? 34 : 33) : QString(loggedIn ? "Logout" : "Login");
    MenuLogin->setText(caption);
    ToolButtonLogin->setText(caption);
    ToolButtonLogin->setIcon(loggedIn ? GlyphIcon(QString(QChar(0x2190)), QColor(150, 60, 60))
                                      : GlyphIcon(QString(QChar(0x2192)), QColor(40, 120, 170)));
    MenuLogin->setIcon(ToolButtonLogin->icon());
}

void TMainForm::DisableCommCommands() {
    for (QAction* a : commActions_) a->setEnabled(false);
}

void TMainForm::EnableCommCommands() {
    for (QAction* a : commActions_) a->setEnabled(true);
}

bool TMainForm::CommCommandsEnabled() const {
    return MenuDownload->isEnabled();
}

void TMainForm::SetRecordCommandsEnabled(bool on) {
    MenuAdd->setEnabled(on);
    MenuEdit->setEnabled(on);
    MenuDelete->setEnabled(on);
}

void TMainForm::SetPanel(int index, const QString& text) {
    if (index >= 0 && index < 5) panels_[index]->setText(text);
}

QString TMainForm::Panel(int index) const {
    return index >= 0 && index < 5 ? panels_[index]->text() : QString();
}

void TMainForm::SetPageMark(int page, bool mark) {
    if (page < 0 || page >= 5) return;
    pageMarks_[page] = mark;
    pages_->setTabText(page, mark ? pageCaptions_[page] + "*" : pageCaptions_[page]);
}

bool TMainForm::RunInWorker(const std::function<bool()>& job) {
    bool result = false;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] { result = job(); }));
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    return result;
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
