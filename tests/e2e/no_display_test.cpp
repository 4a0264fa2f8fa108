// Runs that need a display that can't be opened, through the real executables and without a UI
// script: the run ends with status 2 and one line on stderr naming what could not be shown.

#include "support/host_fixture.h"

namespace {

using sv::test::HostFixture;
using sv::test::runTool;
using sv::test::ToolResult;

// A desktop session's environment with the display settings replaced.
QProcessEnvironment sessionWith(const QString& display, const QString& platform) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM",
                             "SONDERVIK_UI_SCRIPT", "SONDERVIK_UI_TRANSCRIPT"})
        env.remove(QLatin1String(name));
    if (!display.isEmpty()) env.insert(QStringLiteral("DISPLAY"), display);
    if (!platform.isEmpty()) env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    return env;
}

void expectOneLine(const ToolResult& result, const QString& shown, const QString& reason) {
    EXPECT_EQ(result.status, 2);
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << result.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("sondervik: can't show ") + shown))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(reason)) << lines[0].toStdString();
}

TEST(NoDisplay, EndsTheRunWithStatusTwoAndSaysWhatCouldNotBeShown) {
    HostFixture host;
    // No X server answers on this display number.
    const QProcessEnvironment stale = sessionWith(QStringLiteral(":7391"), QString());
    const QProcessEnvironment noPlugin =
        sessionWith(QStringLiteral(":7391"), QStringLiteral("nosuchplatform"));

    // The demo's complaint fits three processes: the selection window.
    expectOneLine(runTool({"start", host.dir()}, stale), QStringLiteral("the window frm_Sondervik"),
                  QStringLiteral("the X display \":7391\" can't be opened"));
    expectOneLine(runTool({"start", host.dir()}, noPlugin), QStringLiteral("the window frm_Sondervik"),
                  QStringLiteral("no Qt platform plugin \"nosuchplatform\""));

    host.set({"pane=F_ADR"});
    expectOneLine(runTool({"start", host.dir()}, stale),
                  QStringLiteral("the message box \"Prozessstart beendet\""),
                  QStringLiteral("Das Starten von Prozessen ist nur im Aktivitäten- oder "
                                 "Wiedervorlagefenster möglich."));
}

}  // namespace
