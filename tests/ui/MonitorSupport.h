#pragma once
// Monitoring's windows as the tests find them: by their object names in the main window.

#include <QAbstractItemView>
#include <QString>
#include <QTest>
#include <QWidget>

#include "monitoring/ui/MonitorMessageForm.h"
#include "monitoring/ui/MonitorModels.h"

namespace ravlin::test {

// The child `name` of `root`; a test that cannot find it fails.
template <typename T>
T* Find(QWidget& root, const char* name) {
    T* w = root.findChild<T*>(QString::fromLatin1(name));
    if (!w) QTest::qFail(qPrintable(QStringLiteral("no %1").arg(name)), __FILE__, __LINE__);
    return w;
}

template <typename M>
M* ModelOf(QWidget& root, const char* grid) {
    QAbstractItemView* view = Find<QAbstractItemView>(root, grid);
    return view ? qobject_cast<M*>(view->model()) : nullptr;
}

// Monitor mode's message list, the Monitoring page's messages grid and event grids.
inline TMessageListModel* MessageList(QWidget& root) {
    return ModelOf<TMessageListModel>(root, "MessageGrid");
}
inline TMessagesGridModel* MessagesGrid(QWidget& root) {
    return ModelOf<TMessagesGridModel>(root, "MonitorGrid");
}
inline TEventGridModel* EventGrid(QWidget& root, bool active) {
    return ModelOf<TEventGridModel>(root, active ? "ActiveGrid" : "DeactiveGrid");
}

// The pop-up window of the message with `number`, or nullptr while it has none.
inline TMonitorMessageForm* Popup(QWidget& root, int number) {
    return root.findChild<TMonitorMessageForm*>(QStringLiteral("MessageWindow%1").arg(number));
}

}  // namespace ravlin::test
