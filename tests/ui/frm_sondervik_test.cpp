// The selection window as laid out from twips: controls, texts, tab order, a list that can't be
// typed in, and a description that is never cut off.
#include "src/ui/frm_sondervik.h"
#include "platform/automation/registry.h"
#include "platform/ui/gui.h"
#include "src/app/cls_sondervik.h"
#include "src/ui/twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace sv;

namespace {

// The next control the Tab key reaches: the focus chain holds every widget, tab stops or not.
QWidget* nextTabStop(QWidget* from) {
    for (QWidget* next = from->nextInFocusChain(); next != from; next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
            next->parentWidget() == from->parentWidget())
            return next;
    return nullptr;
}

}  // namespace

TEST(SelectionWindow, IsLaidOutFromTwipsWithItsTextsAndTabOrder) {
    ui::Gui gui(ui::GuiSettings::fromEnvironment());
    gui.ensureGui();
    automation::Registry registry;
    clsSondervik run(registry, gui);
    frm_Sondervik window(run);
    window.fillProcesses({"B", "A", "C"});

    EXPECT_EQ(window.windowTitle(), "Prozessauswahl");
    EXPECT_FALSE(window.windowIcon().isNull());
    const int dpi = window.logicalDpiX();
    EXPECT_EQ(window.width(), ui::twipsToPixels(4485, dpi));

    auto* combo = window.findChild<QComboBox*>("Combo_Process");
    auto* start = window.findChild<QPushButton*>("cmd_DoProcess");
    auto* cancel = window.findChild<QPushButton*>("btn_cancel");
    auto* label = window.findChild<QLabel*>("lbl_Descrip");
    ASSERT_TRUE(combo && start && cancel && label);
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), "B");  // kept in the order given, not sorted
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(start->text(), "Prozess starten");
    EXPECT_EQ(cancel->text(), "Abbrechen");
    EXPECT_EQ(start->geometry(), QRect(ui::twipsToPixels(151, dpi), ui::twipsToPixels(840, dpi),
                                       ui::twipsToPixels(1575, dpi), ui::twipsToPixels(315, dpi)));
    EXPECT_EQ(nextTabStop(combo), start);
    EXPECT_EQ(nextTabStop(start), cancel);

    EXPECT_EQ(label->text(), "Bitte wählen Sie den Prozess aus den Sie starten möchten:");
    EXPECT_LE(QFontMetrics(label->font(), label).horizontalAdvance(label->text()),
              label->contentsRect().width());
}
