// The parts of the dialog layer that need no GUI: style decoding, UI script syntax and display
// detection.
#include "platform/error.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_script.h"

#include <gtest/gtest.h>

using namespace sv;
using namespace sv::ui;

TEST(MessageBoxStyle, ButtonGroupsIconsAndDefaultsDecode) {
    const MessageBoxStyle ari = decodeStyle(mb::kAbortRetryIgnore + mb::kCritical + mb::kDefaultButton3);
    EXPECT_EQ(ari.answers, (std::vector<int>{mb::kAbort, mb::kRetry, mb::kIgnore}));
    EXPECT_EQ(ari.icon, MessageIcon::Critical);
    EXPECT_EQ(ari.defaultAnswer, mb::kIgnore);
    EXPECT_EQ(decodeStyle(mb::kRetryCancel).answers, (std::vector<int>{mb::kRetry, mb::kCancel}));
    EXPECT_EQ(decodeStyle(mb::kOkCancel + mb::kExclamation).icon, MessageIcon::Exclamation);
    // A default button the box doesn't have falls back to the first; modality bits are ignored.
    const MessageBoxStyle ok = decodeStyle(mb::kOkOnly + mb::kDefaultButton2 + 4096);
    EXPECT_EQ(ok.buttonsName, "OK");
    EXPECT_EQ(ok.defaultAnswer, mb::kOk);
    for (int bad : {6, 15, -1}) {
        try {
            decodeStyle(bad);
            ADD_FAILURE() << "style " << bad << " accepted";
        } catch (const PlatformError& e) {
            EXPECT_EQ(e.number(), 5);
        }
    }
    EXPECT_EQ(answerFromName("IGNORE"), mb::kIgnore);
    EXPECT_EQ(answerFromName("Maybe"), std::nullopt);
}

TEST(UiScriptParse, MalformedLinesAreRefusedWithTheirLineNumber) {
    for (const char* bad : {"answer Maybe", "select lb_Process", "select lb_Process -1", "click a b",
                            "close now", "snapshot"}) {
        try {
            UiScript::parse(QStringLiteral("# first\n%1\n").arg(QLatin1String(bad)));
            ADD_FAILURE() << bad << " accepted";
        } catch (const ScriptSyntaxError& e) {
            EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
        }
    }
}

TEST(UiScriptParse, StepsKeepTheirKindTargetAndLineAndASnapshotTakesTheRestOfTheLine) {
    UiScript script = UiScript::parse(
        "select  Combo_Process 2\n\n# a picture\nsnapshot docs/img/Meine   Auswahl.png\nsnapshot a.png\n");
    const std::optional<ScriptStep> select = script.take();
    ASSERT_TRUE(select);
    EXPECT_EQ(select->kind, ScriptStep::Kind::Select);
    EXPECT_EQ(select->control, "Combo_Process");
    EXPECT_EQ(select->index, 2);
    EXPECT_EQ(select->text, "select Combo_Process 2");
    const std::optional<ScriptStep> blanks = script.take();
    ASSERT_TRUE(blanks);
    EXPECT_EQ(blanks->kind, ScriptStep::Kind::Snapshot);
    EXPECT_EQ(blanks->file, "docs/img/Meine Auswahl.png");
    EXPECT_EQ(blanks->lineNumber, 4);
    const std::optional<ScriptStep> plain = script.take();
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->file, "a.png");
    EXPECT_EQ(plain->lineNumber, 5);
    EXPECT_FALSE(script.take());
}

TEST(DisplayDetection, AnXOrWaylandDisplayOrAHeadlessPlatformCounts) {
    auto display = [](const char* name, const char* value) {
        QProcessEnvironment env;
        env.insert(name, value);
        return GuiSettings::fromEnvironment(env).displayAvailable;
    };
    EXPECT_TRUE(display("WAYLAND_DISPLAY", "wayland-0"));
    EXPECT_FALSE(display("DISPLAY", ""));
    EXPECT_FALSE(display("QT_QPA_PLATFORM", "wayland-egl;xcb"));
    EXPECT_TRUE(display("QT_QPA_PLATFORM", "xcb;minimal:enable_fonts"));
}
