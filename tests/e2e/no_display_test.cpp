// Runs that need a display that can't be opened, through the real executables and without a UI
// script: the run ends with status 2 and one line on stderr naming what could not be shown.

#include "support/host_fixture.h"

namespace {

using sv::test::buildPath;
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

// The add-in started by hand, as a person tries it first, without display and script.
ToolResult runAddinByHand(const QProcessEnvironment& env) {
    QProcess addin;
    addin.setProcessEnvironment(env);
    addin.start(buildPath("sondervik"), QStringList());
    EXPECT_TRUE(addin.waitForFinished(60000));
    return {addin.exitCode(), QString::fromUtf8(addin.readAllStandardOutput()),
            QString::fromUtf8(addin.readAllStandardError())};
}

TEST(NoDisplay, AnAddinStartedByHandSaysHowToGiveItStepsAndAHost) {
    HostFixture host;
    const QString howToStart = QStringLiteral(
        "sondervik: no host runs: start the add-in through it with `quorvant-host start DIR [WORD] [--steps "
        "STEPS]`");
    const QString noScript =
        QStringLiteral("no UI script (SONDERVIK_UI_SCRIPT, or --steps of quorvant-host start)");
    QProcessEnvironment env = sessionWith(QString(), QString());
    env.remove(QStringLiteral("QUORVANT_HOST_DIR"));
    const QString notAHost = host.dir() + QStringLiteral("/sql");
    for (const QString& hostDir : {QString(), notAHost}) {
        SCOPED_TRACE(hostDir.toStdString());
        if (!hostDir.isEmpty()) env.insert(QStringLiteral("QUORVANT_HOST_DIR"), hostDir);
        const ToolResult run = runAddinByHand(env);
        EXPECT_EQ(run.status, 2);
        const QStringList lines = run.err.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 3) << run.err.toStdString();
        EXPECT_TRUE(lines[0].startsWith("sondervik: Laufzeitfehler '429'")) << lines[0].toStdString();
        EXPECT_TRUE(lines[1].contains(noScript)) << lines[1].toStdString();
        EXPECT_EQ(lines[2], howToStart);
    }

    // On a host, the window that can't be shown is the one line: no word of starting a host.
    env.insert(QStringLiteral("QUORVANT_HOST_DIR"), host.dir());
    const ToolResult onHost = runAddinByHand(env);
    EXPECT_EQ(onHost.status, 2);
    EXPECT_FALSE(onHost.err.contains("quorvant-host start DIR")) << onHost.err.toStdString();
    EXPECT_TRUE(onHost.err.contains(noScript)) << onHost.err.toStdString();
}

}  // namespace
