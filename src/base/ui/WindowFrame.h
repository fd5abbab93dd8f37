#pragma once
// What the main window offers the window controllers of the subsystems, without their
// knowing it: its menu items and tool buttons by name (the main window's menu table
// lists them in menu order), its pages and the on-line panel. Window thread only.

#include <QAction>
#include <QString>
#include <QWidget>

#include "base/Pages.h"

namespace ravlin {

// Menu items that are switched together.
enum class TCommandGroup {
    Comm,     // the communication commands: off while a receiver command runs
    Records,  // Add, Edit, Delete: on where the page shown has records to change
};

// The menus of the menu bar.
enum class TMenuName { File, Edit, View, Communication, Settings, Help };

class TWindowFrame {
  public:
    virtual ~TWindowFrame() = default;
    // The menu item or tool button `name` ("MenuLogin", ...); nullptr when there is none.
    virtual QAction* Action(const QString& name) const = 0;
    virtual void EnableGroup(TCommandGroup group, bool on) = 0;
    // A page's container: the controller that owns the page fills it.
    virtual QWidget* Page(TPage page) const = 0;
    virtual void ShowPage(TPage page) = 0;
    // Shows or hides a page's tab (History, Battery and Monitoring show with their modes).
    virtual void SetPageVisible(TPage page, bool visible) = 0;
    virtual TPage PageShown() const = 0;
    virtual QWidget* OnlinePanel() const = 0;
    // A whole menu of the menu bar on or off (its items keep their own state).
    virtual void EnableMenu(TMenuName menu, bool on) = 0;
    virtual bool MenuEnabled(TMenuName menu) const = 0;
    // One command on or off, with the key of a hidden command.
    virtual void EnableCommand(const QString& name, bool on) = 0;
    virtual bool CommandEnabled(const QString& name) const = 0;
    // Monitor mode's layout: the container monitoring fills, shown instead of the pages,
    // the tool bar and the on-line panel; off brings back those that were shown.
    virtual QWidget* MonitorPanel() const = 0;
    virtual void ShowMonitorLayout(bool on) = 0;
    // The parent of the dialogs.
    virtual QWidget* Window() = 0;
};

}  // namespace ravlin
