// Both windows by keyboard alone: Enter and Escape in the selection window and the configurator,
// sent as key events to the control that has the focus, as a keyboard user's keys arrive.
#include "config/configurator_fixture.h"
#include "support/run_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

using namespace sv;
using emu::demo::kActComplaint;

namespace {

void pressKey(QWidget& focused, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
              bool autoRepeat = false) {
    QApplication::setActiveWindow(focused.window());
    focused.setFocus();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(&focused, &press);
    QApplication::sendEvent(&focused, &release);
}

QWidget* openWindow(const char* name) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String(name) && window->isVisible()) return window;
    return nullptr;
}

// "Ersatzlieferung veranlassen", "Gutschrift prüfen", "Reklamation bearbeiten".
const QString kComplaintProcess[] = {"B9000000-0000-4000-8000-000000000003",
                                     "B9000000-0000-4000-8000-000000000002",
                                     "B9000000-0000-4000-8000-000000000001"};

class SelectionKeys : public test::RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        makeDefaultConfig();
        select(kActComplaint);
    }

    // A manual run on the complaint; `act` works on the selection window while it is open.
    void runOnWindow(const std::function<void(QWidget& window, QComboBox& list)>& act) {
        runWith({}, [&](clsSondervik& addin) {
            addin.Main(QString());
            QWidget* window = openWindow("frm_Sondervik");
            ASSERT_NE(window, nullptr);
            act(*window, *window->findChild<QComboBox*>("Combo_Process"));
        });
    }

    QPushButton* button(QWidget& window, const char* name) {
        return window.findChild<QPushButton*>(QLatin1String(name));
    }
};

}  // namespace

TEST_F(SelectionKeys, EnterOnTheListStartsTheChosenProcessAsTheStartButtonDoes) {
    bool closed = false;
    runOnWindow([&](QWidget& window, QComboBox& list) {
        list.setCurrentIndex(1);
        pressKey(list, Qt::Key_Return);
        closed = !window.isVisible();
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(startedProcesses(kActComplaint), std::vector<QString>{kComplaintProcess[1]});
}

TEST_F(SelectionKeys, EscapeCancelsAsAbbrechenDoes) {
    bool closed = false;
    runOnWindow([&](QWidget& window, QComboBox& list) {
        pressKey(list, Qt::Key_Escape);
        closed = !window.isVisible();
    });
    EXPECT_TRUE(closed);
    EXPECT_TRUE(released_) << "ShutDown was not called";
    EXPECT_TRUE(startedProcesses(kActComplaint).empty());
}

TEST_F(SelectionKeys, EnterPressesTheFocusedButtonAndKeysWithModifiersOrRepeatedPressNothing) {
    runOnWindow([&](QWidget& window, QComboBox& list) {
        list.setCurrentIndex(2);
        pressKey(list, Qt::Key_Return, Qt::ControlModifier);
        pressKey(list, Qt::Key_Escape, Qt::AltModifier);
        pressKey(list, Qt::Key_Return, Qt::NoModifier, true);
        EXPECT_TRUE(window.isVisible());
        pressKey(*button(window, "btn_cancel"), Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_FALSE(window.isVisible());
    });
    EXPECT_TRUE(released_);
    EXPECT_TRUE(startedProcesses(kActComplaint).empty());

    runOnWindow([&](QWidget& window, QComboBox& list) {
        list.setCurrentIndex(2);
        pressKey(*button(window, "cmd_DoProcess"), Qt::Key_Return);
    });
    EXPECT_EQ(startedProcesses(kActComplaint), std::vector<QString>{kComplaintProcess[2]});
}

using ConfiguratorKeys = cfgtest::ConfiguratorTest;

TEST_F(ConfiguratorKeys, EscapeClosesAsBeendenDoes) {
    openConfigurator();
    pressKey(*form().findChild<QWidget*>("lb_Process"), Qt::Key_Escape);
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(run->StartConfig, nullptr);
    EXPECT_EQ(run->ProcessList, nullptr);
}

TEST_F(ConfiguratorKeys, EnterPressesOnlyAFocusedButtonAndSpaceStoresABox) {
    openConfigurator();
    const QByteArray before = configBytes();
    pressKey(*form().findChild<QWidget*>("lb_Process"), Qt::Key_Return);
    pressKey(*box("chk_PRJ"), Qt::Key_Return);
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(box("chk_PRJ")->isChecked());
    EXPECT_EQ(configBytes(), before);

    pressKey(*box("chk_PRJ"), Qt::Key_Space);
    EXPECT_TRUE(box("chk_PRJ")->isChecked());
    EXPECT_EQ(config().of(cfgtest::process(cfgtest::kListOrder[0])).at(0).value("PRJ"), "1");

    pressKey(*form().findChild<QWidget*>("btn_Close"), Qt::Key_Return);
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(run->ProcessList, nullptr);
}
