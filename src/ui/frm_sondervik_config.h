#pragma once
// frm_SondervikConfig: the process configurator window. It lists every process definition; selecting
// one shows its seven settings in check boxes, and every change of a box is stored at once.

#include "windows.h"

#include <QAbstractListModel>
#include <QCheckBox>
#include <QFont>
#include <QListView>
#include <QPushButton>
#include <QWidget>
#include <optional>
#include <vector>

class QCloseEvent;
class QKeyEvent;

namespace sv {

class clsSondervik;

// A check box whose caption wraps within the box (in a smaller font when the box is too low for it
// otherwise), and which toggles wherever it is clicked, caption included.
class WrappingCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

    // The font the caption is drawn in: the box's own, or the largest smaller one whose wrapped
    // caption fits the box's height.
    QFont captionFont() const;
    // Where the wrapped caption is drawn.
    QRect captionBounds() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect captionArea() const;
};

// The process list's entries, in the order they were added. Each entry's tool tip is its name, which
// the narrow list may cut.
class ProcessListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setEntries(std::vector<ProcessEntry> entries);
    const ProcessEntry* entry(int position) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<ProcessEntry> entries_;
};

// A single-selection list that keeps its selection while it has entries: Ctrl+click and
// Ctrl+Space, which would take it away, leave it where it is.
class SingleChoiceList : public QListView {
public:
    using QListView::QListView;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
};

class frm_SondervikConfig : public QWidget, public ConfigWindow {
public:
    explicit frm_SondervikConfig(clsSondervik& run);

    void showWindow() override;
    void closeWindow() override;
    void clearProcesses() override;
    void setProcesses(std::vector<ProcessEntry> entries) override;
    int processCount() const override;
    std::optional<QString> processDsn(int position) const override;
    void selectProcess(int position) override;
    int selectedPosition() const override;
    std::optional<qint16> boxState(const QString& field) const override;
    void setBoxState(const QString& field, bool checked) override;

    // Event handlers.
    void lb_Process_Click();
    // The state of a flag's box changed: it is stored in the field at once.
    void chk_Click(const char* field);
    void btn_Close_Click();
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape acts as "Beenden"; Enter presses the focused button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct FieldBox {
        const char* field;
        WrappingCheckBox* box;
    };

    WrappingCheckBox* boxFor(const QString& field) const;

    clsSondervik& run_;
    WrappingCheckBox* chkUpdate_;
    WrappingCheckBox* chkAKTNew_;
    WrappingCheckBox* chkStartOnDone_;
    QPushButton* btnClose_;
    WrappingCheckBox* chkPRJ_;
    WrappingCheckBox* chkOBJ_;
    WrappingCheckBox* chkADB_;
    WrappingCheckBox* chkAD_;
    ProcessListModel* processes_;
    SingleChoiceList* lbProcess_;
    std::vector<FieldBox> fieldBoxes_;
};

}  // namespace sv
