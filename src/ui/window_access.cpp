#include "window_access.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace sv::ui {

namespace {

// A class without a meta-object of its own reaches the factory by the name of its nearest Qt base
// that has one: both windows come as "QWidget".
QAccessibleInterface* windowInterface(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || !object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    return widget->isWindow() ? new QAccessibleWidget(widget, QAccessible::Window) : nullptr;
}

}  // namespace

// The factory installed last is asked first: Qt Widgets installs its own, which takes any QWidget for
// a pane, with every QApplication it makes.
void exposeTopLevelWidgetsAsWindows() {
    QAccessible::removeFactory(&windowInterface);
    QAccessible::installFactory(&windowInterface);
}

}  // namespace sv::ui
