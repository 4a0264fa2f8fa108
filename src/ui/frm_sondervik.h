#pragma once
// frm_Sondervik: the process selection window, shown when several processes fit the activity.

#include "windows.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

class QKeyEvent;

namespace sv {

class clsSondervik;

class frm_Sondervik : public QWidget, public SelectionWindow {
public:
    explicit frm_Sondervik(clsSondervik& run);

    void fillProcesses(const QStringList& names) override;
    void showWindow() override;
    void closeWindow() override;

    QComboBox* Combo_Process() const { return combo_; }

    void cmd_DoProcess_Click();
    void btn_cancel_Click();

protected:
    // Enter starts the chosen process (or presses the focused button), Escape cancels.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void widenDropDown();

    clsSondervik& run_;
    QPushButton* cancel_;
    QPushButton* start_;
    QComboBox* combo_;
    QLabel* description_;
};

}  // namespace sv
