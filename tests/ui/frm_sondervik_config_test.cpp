// The configurator window on a demo host: its layout in twips, the wrapping check boxes, the loading
// of a process's settings (which raises the boxes' handlers but stores nothing), and its closing.
#include "config/configurator_fixture.h"
#include "src/config/config_fields.h"
#include "src/ui/twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

using namespace sv;
using namespace sv::cfgtest;

namespace {

struct Expected {
    const char* name;
    QString text;
    int left, top, width, height;
    QString toolTip;
};

const Expected kControls[] = {
    {"chkUpdate", "Prozess starten wenn Aktivität geändert wird", 2475, 4320, 2055, 375,
     "Startet einen Prozess wenn eine zugehörige Startaktivität geändert wird"},
    {"chkAKTNew", "Prozess starten wenn Aktivität neu angelegt wird", 2475, 3720, 2175, 375,
     "Startet Prozess wenn eine zugeordnete Startaktivität erstellt wird."},
    {"chkStartOnDone", "Prozess starten wenn Aktivität erledigt", 2475, 3120, 1935, 375,
     "Startet einen Prozess wenn eine zugehörige Startaktivität auf erledigt gesetzt wird."},
    {"btn_Close", "Beenden", 2475, 4920, 1695, 375, ""},
    {"chk_PRJ", "ein Projekt", 2475, 1935, 1455, 375, ""},
    {"chk_OBJ", "ein Objekt", 2475, 1530, 1575, 255, ""},
    {"chk_AD_B", "eine Adresse 2", 2475, 1125, 1695, 255, ""},
    {"chk_AD", "eine Adresse 1", 2475, 720, 1575, 255, ""},
    {"lb_Process", "", 150, 495, 2175, 4740, ""},
    {"lbl_Advise", "Achtung! Änderungen werden direkt gespeichert.", 2475, 2450, 2775, 495, ""},
    {"lbl_Descrip", "Um den ausgewählten Prozess starten zu können benötigt die Aktivität:", 2475, 150, 2760,
     465, ""},
    {"lbl_Process", "Prozesse", 150, 150, 1095, 195, ""},
};

QString textOf(const QWidget& control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(&control)) return label->text();
    return {};
}

void sendClick(QWidget& widget, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      modifiers);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        modifiers);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

}  // namespace

using ConfiguratorWindow = ConfiguratorTest;

TEST_F(ConfiguratorWindow, IsLaidOutFromTwipsWithTextsTabOrderAndToolTips) {
    openConfigurator();
    frm_SondervikConfig& window = form();
    const int dpiX = window.logicalDpiX(), dpiY = window.logicalDpiY();
    EXPECT_EQ(window.windowTitle(), "Prozesskonfigurator");
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowModality(), Qt::NonModal);
    EXPECT_EQ(window.size(), QSize(ui::twipsToPixels(5400, dpiX), ui::twipsToPixels(5655, dpiY)));
    const QPoint screenCentre = window.screen()->availableGeometry().center();
    // Centred as its client area: the position is the frame's.
    EXPECT_LE((QRect(window.pos(), window.size()).center() - screenCentre).manhattanLength(), 1);

    for (const Expected& c : kControls) {
        SCOPED_TRACE(c.name);
        const QWidget* control = window.findChild<QWidget*>(QLatin1String(c.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(),
                  QRect(ui::twipsToPixels(c.left, dpiX), ui::twipsToPixels(c.top, dpiY),
                        ui::twipsToPixels(c.width, dpiX), ui::twipsToPixels(c.height, dpiY)));
        EXPECT_EQ(textOf(*control), c.text);
        EXPECT_EQ(control->toolTip(), c.toolTip);
    }
    const QFont advise = window.findChild<QLabel*>("lbl_Advise")->font();
    EXPECT_EQ(advise.weight(), QFont::Bold);
    EXPECT_EQ(advise.pointSizeF(), 8.25);
    EXPECT_FALSE(window.findChild<QLabel*>("lbl_Descrip")->font().bold());

    // Tab indexes 0, 3 to 7 and 9 to 11; the labels (1, 2, 8) take no focus.
    const char* const tabOrder[] = {"chk_AD",         "chk_AD_B",  "chk_OBJ",   "chk_PRJ",   "btn_Close",
                                    "chkStartOnDone", "chkAKTNew", "chkUpdate", "lb_Process"};
    QWidget* current = window.findChild<QWidget*>("lb_Process");
    for (const char* next : tabOrder) {
        current = current->nextInFocusChain();
        while (current->focusPolicy() == Qt::NoFocus)
            current = current->nextInFocusChain();
        EXPECT_EQ(current->objectName(), next);
    }
}

TEST_F(ConfiguratorWindow, LongCaptionsWrapWithinTheBoxAndTheCaptionToggles) {
    openConfigurator();
    for (const char* name : {"chkUpdate", "chkAKTNew", "chkStartOnDone"}) {
        SCOPED_TRACE(name);
        auto* check = static_cast<WrappingCheckBox*>(box(name));
        const QRect bounds = check->captionBounds();
        const QFontMetrics metrics(check->captionFont(), check);
        EXPECT_GT(metrics.horizontalAdvance(check->text()), bounds.width()) << "needs no wrapping";
        EXPECT_GT(bounds.height(), metrics.height()) << "drawn on one line";
        EXPECT_TRUE(check->rect().contains(bounds)) << "overflows the box";
    }
    // A click on the end of the caption's last line toggles the box and stores its state.
    form().selectProcess(2);
    WrappingCheckBox* update = static_cast<WrappingCheckBox*>(box("chkUpdate"));
    sendClick(*update, update->captionBounds().bottomRight() - QPoint(2, 2));
    EXPECT_TRUE(update->isChecked());
    EXPECT_EQ(config().of(process(2)).at(0).value("AKTUPDATE"), "1");
}

TEST_F(ConfiguratorWindow, LoadingShowsStoredStatesAndStoresNothing) {
    writeConfig(kCurrentFields,
                {row(process(6), "1111111", kTypeOffer), row(process(2), "1111111", kTypeComplaint),
                 row(process(4), "0101010", kTypeComplaint), row(process(5), "0000000"),
                 row(process(5), "1111111"), row(process(1), "0000000")});
    openConfigurator();
    const QByteArray before = configBytes();
    int events = 0;
    for (const char* name : kBoxes)
        QObject::connect(box(name), &QCheckBox::toggled, [&events] { ++events; });

    EXPECT_EQ(form().selectedPosition(), 0);
    EXPECT_EQ(boxStates(), "1111111");
    // Process 3 has no row: all seven boxes clear, one event each.
    form().selectProcess(1);
    EXPECT_EQ(boxStates(), "0000000");
    EXPECT_EQ(events, 7);
    form().selectProcess(2);
    EXPECT_EQ(boxStates(), "1111111");
    // Process 5 has two rows: cleared as well.
    events = 0;
    form().selectProcess(4);
    EXPECT_EQ(boxStates(), "0000000");
    EXPECT_EQ(events, 7);
    form().selectProcess(3);
    EXPECT_EQ(boxStates(), "0101100");  // OBJ AD ADB PRJ, then done, new, changed
    // Selecting the same process again changes nothing.
    events = 0;
    form().selectProcess(3);
    EXPECT_EQ(boxStates(), "0101100");
    EXPECT_EQ(events, 0);

    EXPECT_EQ(configBytes(), before);
    EXPECT_EQ(run->ProcessList->state(), data::ado::kStateClosed);
    EXPECT_EQ(run->StartConfig->state(), data::ado::kStateClosed);
    EXPECT_TRUE(messages().empty());
}

// A flag added to the configuration's fields without its box in the window would fail every save.
TEST_F(ConfiguratorWindow, EveryFlagOfTheConfigurationHasItsBoxAndNothingElseHasOne) {
    openConfigurator();
    for (const config::ConfigField& field : config::kFields)
        EXPECT_EQ(form().boxState(config::nameOf(field)).has_value(), config::isFlag(field)) << field.name;
}

TEST_F(ConfiguratorWindow, AFlagThatIsNotTheNumberOneShowsAsAClearedBox) {
    writeConfig(kCurrentFields,
                {row(process(6), "0000000", kTypeOffer), row(process(3), "1200x11", kTypeComplaint)});
    openConfigurator();
    const QByteArray before = configBytes();
    form().selectProcess(1);
    EXPECT_EQ(boxStates(), "1000101");  // OBJ AD ADB PRJ, then done, new, changed
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(configBytes(), before);
    EXPECT_EQ(run->ProcessList->state(), data::ado::kStateClosed);
}

TEST_F(ConfiguratorWindow, BeendenAndTheCloseBoxCloseAndReleaseTheRecordSets) {
    openConfigurator();
    form().findChild<QPushButton*>("btn_Close")->click();
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(run->StartConfig, nullptr);
    EXPECT_EQ(run->ProcessList, nullptr);

    run->OpenConfigurator();
    ASSERT_TRUE(form().isVisible());
    ASSERT_NE(run->ProcessList, nullptr);
    form().close();
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(run->ProcessList, nullptr);
}

// Ctrl+click and Ctrl+Space would take the selection away in a single-selection list; the next click
// on a box would then store nothing while the boxes still show the process.
TEST_F(ConfiguratorWindow, TheListKeepsItsSelectionAndAClickStoresIntoTheProcessShown) {
    openConfigurator();
    auto& list = *form().findChild<QAbstractItemView*>("lb_Process");
    const QPoint second = list.visualRect(list.model()->index(1, 0)).center();
    sendClick(*list.viewport(), second, Qt::ControlModifier);
    EXPECT_EQ(form().selectedPosition(), 1);
    sendClick(*list.viewport(), second, Qt::ControlModifier);
    EXPECT_EQ(form().selectedPosition(), 1);
    QKeyEvent ctrlSpace(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier, QStringLiteral(" "));
    QApplication::sendEvent(&list, &ctrlSpace);
    EXPECT_EQ(form().selectedPosition(), 1);
    // Below the last entry: no entry to choose, and the choice stays.
    sendClick(*list.viewport(), QPoint(2, list.viewport()->height() - 2), Qt::ControlModifier);
    EXPECT_EQ(form().selectedPosition(), 1);

    click("chk_PRJ");
    EXPECT_EQ(config().of(process(kListOrder[1])).at(0).value("PRJ"), "1");
}
