#include "frm_sondervik.h"

#include "app_icon.h"
#include "platform/ui/gui.h"
#include "src/app/cls_sondervik.h"
#include "twips.h"
#include "window_access.h"
#include "window_keys.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QStyle>

namespace sv {

frm_Sondervik::frm_Sondervik(clsSondervik& run) : run_(run) {
    setObjectName(QStringLiteral("frm_Sondervik"));
    setWindowTitle(QStringLiteral("Prozessauswahl"));
    setWindowIcon(ui::appIcon());
    ui::exposeTopLevelWidgetsAsWindows();

    // In the order of creation.
    cancel_ = ui::makeControl<QPushButton>(this, "btn_cancel", 2760, 840, 1575, 315);
    cancel_->setText(QStringLiteral("Abbrechen"));
    start_ = ui::makeControl<QPushButton>(this, "cmd_DoProcess", 151, 840, 1575, 315);
    start_->setText(QStringLiteral("Prozess starten"));
    combo_ = ui::makeControl<QComboBox>(this, "Combo_Process", 157, 420, 4179, 315);
    combo_->setEditable(false);  // the user picks an entry, never types one
    combo_->setInsertPolicy(QComboBox::NoInsert);
    description_ = ui::makeControl<QLabel>(this, "lbl_Descrip", 165, 120, 4170, 195);
    description_->setText(QStringLiteral("Bitte wählen Sie den Prozess aus den Sie starten möchten:"));
    description_->setFont(ui::fittingFont(description_->font(), description_->contentsRect(),
                                          description_->text(), description_,
                                          Qt::AlignLeft | Qt::AlignVCenter));
    // The text describes the list: assistive technology reads it as the list's label.
    description_->setBuddy(combo_);

    // Focus starts in the list, then "Prozess starten", then "Abbrechen".
    setTabOrder(combo_, start_);
    setTabOrder(start_, cancel_);
    combo_->setFocus();

    ui::sizeAndCentreInTwips(*this, 4485, 1290);

    ui::Gui& gui = run_.gui();
    connect(start_, &QPushButton::clicked, this, gui.guarded([this] { cmd_DoProcess_Click(); }));
    connect(cancel_, &QPushButton::clicked, this, gui.guarded([this] { btn_cancel_Click(); }));
}

void frm_Sondervik::fillProcesses(const QStringList& names) {
    combo_->clear();
    combo_->addItems(names);
    combo_->setCurrentIndex(0);
    widenDropDown();
}

// The list keeps its width; its drop-down is at least as wide as its longest entry, so that a long
// name can be read in full.
void frm_Sondervik::widenDropDown() {
    QAbstractItemView* view = combo_->view();
    const int scrollBar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() + scrollBar);
}

void frm_Sondervik::showWindow() {
    run_.gui().showWindow(*this);
}

void frm_Sondervik::closeWindow() {
    close();
}

void frm_Sondervik::cmd_DoProcess_Click() {
    // The list position, counted from 0, plus 1 in 16-bit arithmetic.
    const auto position = static_cast<qint16>(static_cast<qint16>(combo_->currentIndex()) + 1);
    run_.StartChosenProcess(position);
}

void frm_Sondervik::btn_cancel_Click() {
    run_.ShutDown();
    close();
}

void frm_Sondervik::keyPressEvent(QKeyEvent* event) {
    if (!ui::pressButtonForKey(*this, *event, {start_, cancel_})) QWidget::keyPressEvent(event);
}

}  // namespace sv

sv::SelectionWindow* sv_gui_make_selection_window(sv::clsSondervik& run) {
    return new sv::frm_Sondervik(run);
}
