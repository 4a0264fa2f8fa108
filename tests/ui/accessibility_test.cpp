// What assistive technology reads of both windows: every control's role and German name, the labels
// that name the lists, and process names that the narrow lists would cut, readable in full.
#include "config/configurator_fixture.h"
#include "src/ui/frm_sondervik.h"
#include "src/ui/twips.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QStyle>
#include <QStyleFactory>

#include <memory>

using namespace sv;

namespace {

struct Exposed {
    const char* control;
    QAccessible::Role role;
    QString name;
};

void expectExposed(const QWidget& window, const Exposed& expected) {
    SCOPED_TRACE(expected.control);
    auto* control = window.findChild<QWidget*>(QLatin1String(expected.control));
    ASSERT_NE(control, nullptr);
    QAccessibleInterface* exposed = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(exposed, nullptr);
    EXPECT_EQ(exposed->role(), expected.role);
    EXPECT_EQ(exposed->text(QAccessible::Name), expected.name);
}

// A window to assistive technology, named by its caption.
void expectWindow(QWidget& window, const QString& caption) {
    QAccessibleInterface* exposed = QAccessible::queryAccessibleInterface(&window);
    EXPECT_EQ(exposed->role(), QAccessible::Window);
    EXPECT_EQ(exposed->text(QAccessible::Name), caption);
}

// The label whose text assistive technology reads as the control's label.
QString labelOf(const QWidget& control) {
    QAccessibleInterface* exposed = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(&control));
    const auto labels = exposed->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.front().first->text(QAccessible::Name);
}

const QString kLongName = QStringLiteral("Reklamation Eskalation an die Geschäftsleitung mit Rückruf");

// The selection window of a run, with no host behind it.
struct SelectionWindowRun {
    ui::Gui gui{ui::GuiSettings::fromEnvironment()};
    bool guiReady = (gui.ensureGui(), true);  // the window needs the application first
    automation::Registry registry;
    clsSondervik run{registry, gui};
    frm_Sondervik window{run};
};

}  // namespace

// The configurator's tests come first: a selection window made before would already have told Qt
// how to expose a window, for the configurator too.
using ConfiguratorAccess = cfgtest::ConfiguratorTest;

TEST_F(ConfiguratorAccess, ControlsCarryRolesGermanNamesAndTheListItsHeading) {
    openConfigurator();
    frm_SondervikConfig& window = form();
    expectWindow(window, "Prozesskonfigurator");
    const Exposed controls[] = {
        {"lb_Process", QAccessible::List, "Prozesse"},
        {"lbl_Process", QAccessible::StaticText, "Prozesse"},
        {"lbl_Descrip", QAccessible::StaticText,
         "Um den ausgewählten Prozess starten zu können benötigt die Aktivität:"},
        {"lbl_Advise", QAccessible::StaticText, "Achtung! Änderungen werden direkt gespeichert."},
        {"chk_AD", QAccessible::CheckBox, "eine Adresse 1"},
        {"chk_AD_B", QAccessible::CheckBox, "eine Adresse 2"},
        {"chk_OBJ", QAccessible::CheckBox, "ein Objekt"},
        {"chk_PRJ", QAccessible::CheckBox, "ein Projekt"},
        {"chkStartOnDone", QAccessible::CheckBox, "Prozess starten wenn Aktivität erledigt"},
        {"chkAKTNew", QAccessible::CheckBox, "Prozess starten wenn Aktivität neu angelegt wird"},
        {"chkUpdate", QAccessible::CheckBox, "Prozess starten wenn Aktivität geändert wird"},
        {"btn_Close", QAccessible::Button, "Beenden"},
    };
    for (const Exposed& control : controls)
        expectExposed(window, control);
    EXPECT_EQ(window.findChild<QLabel*>("lbl_Process")->buddy(), window.findChild<QWidget*>("lb_Process"));

    // The link boxes are described by the instruction above them, the event boxes by their tool tips.
    auto description = [&](const char* name) {
        return QAccessible::queryAccessibleInterface(box(name))->text(QAccessible::Description);
    };
    EXPECT_EQ(description("chk_AD_B"),
              "Um den ausgewählten Prozess starten zu können benötigt die Aktivität:");
    EXPECT_EQ(description("chkAKTNew"),
              "Startet Prozess wenn eine zugeordnete Startaktivität erstellt wird.");
}

TEST_F(ConfiguratorAccess, EveryEntryOfTheListShowsItsFullNameAsToolTip) {
    hostSql(QStringLiteral("update BusinessProcess set BusinessProcessName = '%1' where DSN = '%2'")
                .arg(kLongName, cfgtest::process(cfgtest::kListOrder[0])));
    openConfigurator();
    const QAbstractItemView& list = *form().findChild<QAbstractItemView*>("lb_Process");
    const QAbstractItemModel& entries = *list.model();
    ASSERT_EQ(entries.rowCount(), 8);
    QStringList names;
    for (int row = 0; row < entries.rowCount(); ++row) {
        const QModelIndex entry = entries.index(row, 0);
        names << entry.data().toString();
        EXPECT_EQ(entry.data(Qt::ToolTipRole).toString(), names.back());
    }
    EXPECT_TRUE(names.contains(kLongName));
    // The name is wider than the list: the tool tip is what shows it in full.
    EXPECT_GT(list.fontMetrics().horizontalAdvance(kLongName), list.viewport()->width());
}

TEST(SelectionWindowAccess, ControlsCarryRolesGermanNamesAndTheListItsLabel) {
    SelectionWindowRun selection;
    frm_Sondervik& window = selection.window;
    window.fillProcesses({"Gutschrift prüfen", kLongName});

    expectExposed(window, {"cmd_DoProcess", QAccessible::Button, "Prozess starten"});
    expectExposed(window, {"btn_cancel", QAccessible::Button, "Abbrechen"});
    expectExposed(window, {"lbl_Descrip", QAccessible::StaticText,
                           "Bitte wählen Sie den Prozess aus den Sie starten möchten:"});
    // A drop-down list is named by the entry it shows.
    expectExposed(window, {"Combo_Process", QAccessible::ComboBox, "Gutschrift prüfen"});
    EXPECT_EQ(labelOf(*window.Combo_Process()), "Bitte wählen Sie den Prozess aus den Sie starten möchten:");
    expectWindow(window, "Prozessauswahl");
}

// Some styles widen a drop-down to its entries themselves; others keep it as wide as the list.
TEST(SelectionWindowAccess, TheDropDownIsAsWideAsItsLongestEntryInEveryStyle) {
    SelectionWindowRun selection;
    frm_Sondervik& window = selection.window;
    window.show();
    QComboBox& list = *window.Combo_Process();
    QAbstractItemView& view = *list.view();
    for (const QString& styleName : QStyleFactory::keys()) {
        SCOPED_TRACE(styleName.toStdString());
        const std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
        list.setStyle(style.get());
        view.setStyle(style.get());
        for (const QStringList& names :
             {QStringList{"A", "B"}, QStringList{"Gutschrift prüfen", kLongName}}) {
            window.fillProcesses(names);
            list.showPopup();
            EXPECT_GE(view.viewport()->width(), view.fontMetrics().horizontalAdvance(names.back()));
            EXPECT_GE(view.parentWidget()->width(), list.width());  // never narrower than the list itself
            list.hidePopup();
        }
        list.setStyle(nullptr);
        view.setStyle(nullptr);
    }
    EXPECT_EQ(list.width(), ui::twipsToPixels(4179, list.logicalDpiX()));
}
