#pragma once
// The main window: the frame the window controllers of the subsystems fill. It builds the
// menus and the tool bar from its menu table (MainForm.cpp: every command with its name,
// menu, caption and key, in menu order), the five pages as empty containers, the on-line
// panel and the status bar; it runs no command itself. A controller finds its menu items
// by name (TWindowFrame::Action) and fills its pages.

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QTabWidget>
#include <QToolBar>
#include <array>
#include <map>

#include "base/Pages.h"
#include "base/UserInterface.h"
#include "base/ui/WindowFrame.h"

namespace ravlin {

class TQtUserInterface;

class TMainForm : public QMainWindow, public TWindowFrame {
    Q_OBJECT
  public:
    TMainForm(const TTextTable& texts, TQtUserInterface& ui, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Menu captions, tool-bar hints and page captions from the language table.
    void ApplyTexts();

    // TWindowFrame
    QAction* Action(const QString& name) const override;
    void EnableGroup(TCommandGroup group, bool on) override;
    QWidget* Page(TPage page) const override;
    void ShowPage(TPage page) override;
    void SetPageVisible(TPage page, bool visible) override;
    TPage PageShown() const override;
    QWidget* OnlinePanel() const override { return onlinePanel_; }
    void EnableMenu(TMenuName menu, bool on) override;
    bool MenuEnabled(TMenuName menu) const override;
    void EnableCommand(const QString& name, bool on) override;
    bool CommandEnabled(const QString& name) const override;
    QWidget* MonitorPanel() const override { return monitorPanel_; }
    void ShowMonitorLayout(bool on) override;
    QWidget* Window() override { return this; }

    bool CommCommandsEnabled() const;
    // Status bar panels 0..4 and the '*' marks of the page captions.
    void SetPanel(int index, const QString& text);
    // The broker's panel; an empty text hides it. `detail` is its tool tip.
    void SetBrokerPanel(const QString& text, const QString& detail);
    QString Panel(int index) const;
    void SetPageMark(TPage page, bool mark);

    QTabWidget* pages() const { return pages_; }

  signals:
    // Asked before the window closes; set `accept` false to keep it open.
    void closeQuery(bool& accept);
    void closing();
    void firstShown();
    void pageChanged(int page);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

  private:
    void BuildMenus();
    void BuildToolBar();
    void BuildPages();
    void BuildStatusBar();

    const TTextTable& texts_;
    TQtUserInterface& ui_;
    std::map<QString, QAction*> actions_;
    // The keys of hidden commands (see BuildMenus), by the command's name.
    std::map<QString, QAction*> keys_;
    std::array<QMenu*, 6> menus_{};
    QToolBar* toolBar_;
    QTabWidget* pages_;
    std::array<QWidget*, kPageCount> pageWidgets_{};
    std::array<QString, kPageCount> pageCaptions_;
    std::array<bool, kPageCount> pageMarks_{};
    QWidget* onlinePanel_;
    QWidget* monitorPanel_;
    // What monitor mode's layout hid, to be shown again.
    bool pagesWereShown_ = true, toolBarWasShown_ = true, onlinePanelWasShown_ = false;
    bool monitorLayout_ = false;
    std::array<QLabel*, 5> panels_{};
    QLabel* brokerPanel_ = nullptr;
    bool shown_ = false;
};

// The program's icon, drawn once.
QIcon RavlinIcon();

}  // namespace ravlin
