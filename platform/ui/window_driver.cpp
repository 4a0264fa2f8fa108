#include "platform/ui/window_driver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSaveFile>
#include <QThread>

namespace sv::ui {

namespace {

int checkValue(const QAbstractButton& button) {
    const auto* box = qobject_cast<const QCheckBox*>(&button);
    const Qt::CheckState state = box ? box->checkState() : (button.isChecked() ? Qt::Checked : Qt::Unchecked);
    switch (state) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        case Qt::Unchecked:
            break;
    }
    return 0;
}

QModelIndex entryIndex(const QAbstractItemView& view, int row) {
    const QAbstractItemModel* model = view.model();
    return model ? model->index(row, 0, view.rootIndex()) : QModelIndex();
}

QJsonArray entriesOf(const QAbstractItemView& view) {
    QJsonArray entries;
    for (QModelIndex index = entryIndex(view, 0); index.isValid();
         index = index.siblingAtRow(index.row() + 1))
        entries.append(index.data().toString());
    return entries;
}

int selectedRow(const QAbstractItemView& view) {
    const QModelIndexList selected =
        view.selectionModel() ? view.selectionModel()->selectedIndexes() : QModelIndexList();
    return selected.isEmpty() ? -1 : selected.front().row();
}

QJsonObject controlState(const QWidget& control) {
    QJsonObject state{{"enabled", control.isEnabled()}};
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        state["text"] = button->text();
        if (button->isCheckable()) state["checked"] = checkValue(*button);
    } else if (const auto* combo = qobject_cast<const QComboBox*>(&control)) {
        QJsonArray entries;
        for (int i = 0; i < combo->count(); ++i)
            entries.append(combo->itemText(i));
        state["entries"] = entries;
        state["selected"] = combo->currentIndex();
        state["text"] = combo->currentText();
    } else if (const auto* view = qobject_cast<const QAbstractItemView*>(&control)) {
        state["entries"] = entriesOf(*view);
        state["selected"] = selectedRow(*view);
    } else if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        state["text"] = label->text();
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) {
        state["text"] = edit->text();
    }
    return state;
}

// Qt's own helper widgets carry names starting with "qt_"; they are no controls of the window.
bool isNamedControl(const QWidget& widget) {
    const QString name = widget.objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

std::optional<QString> select(QWidget& control, int index) {
    const QString outOfRange = QStringLiteral("%1 has no entry %2").arg(control.objectName()).arg(index);
    if (auto* combo = qobject_cast<QComboBox*>(&control)) {
        if (index >= combo->count()) return outOfRange;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        emit combo->textActivated(combo->itemText(index));
        return std::nullopt;
    }
    if (auto* view = qobject_cast<QAbstractItemView*>(&control)) {
        const QModelIndex entry = entryIndex(*view, index);
        if (!entry.isValid()) return outOfRange;
        // A click: press (which selects), then release.
        view->setCurrentIndex(entry);
        emit view->pressed(entry);
        emit view->clicked(entry);
        return std::nullopt;
    }
    return QStringLiteral("%1 is no list box or drop-down list").arg(control.objectName());
}

// Bounded, so that a test that never makes the file can't hang the run.
std::optional<QString> waitForFile(const QString& file) {
    constexpr int kWaitMilliseconds = 60000;
    const QDeadlineTimer deadline(kWaitMilliseconds);
    while (!QFileInfo::exists(file)) {
        if (deadline.hasExpired()) return QStringLiteral("%1 did not appear within a minute").arg(file);
        QThread::msleep(10);
    }
    return std::nullopt;
}

std::optional<QString> click(QWidget& control) {
    auto* button = qobject_cast<QAbstractButton*>(&control);
    if (!button) return QStringLiteral("%1 is no button or check box").arg(control.objectName());
    button->click();
    return std::nullopt;
}

QJsonArray rectArray(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

}  // namespace

QJsonObject windowState(const QWidget& window) {
    QJsonObject controls;
    QJsonObject layout;
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        if (!isNamedControl(*child)) continue;
        controls[child->objectName()] = controlState(*child);
        layout[child->objectName()] = rectArray(child->geometry());
    }
    return {{"event", "window"},
            {"name", window.objectName()},
            {"caption", window.windowTitle()},
            {"controls", controls},
            {"size", QJsonArray{window.width(), window.height()}},
            {"layout", layout}};
}

std::optional<QString> applyStep(QWidget& window, const ScriptStep& step) {
    if (step.kind == ScriptStep::Kind::Answer)
        return QStringLiteral("no message box is open; window %1 waits").arg(window.objectName());
    if (step.kind == ScriptStep::Kind::Close) {
        window.close();
        return std::nullopt;
    }
    if (step.kind == ScriptStep::Kind::Wait) return waitForFile(step.file);
    QWidget* control = window.findChild<QWidget*>(step.control);
    if (!control) return QStringLiteral("window %1 has no control %2").arg(window.objectName(), step.control);
    if (!control->isVisible() || !control->isEnabled())
        return QStringLiteral("%1 is hidden or disabled").arg(step.control);
    return step.kind == ScriptStep::Kind::Select ? select(*control, step.index) : click(*control);
}

std::optional<QString> saveSnapshot(QWidget& widget, const QString& file) {
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && widget.grab().save(&out, "PNG") && out.commit())
        return std::nullopt;
    return QStringLiteral("can't write the snapshot %1: %2").arg(file, out.errorString());
}

}  // namespace sv::ui
