// The README's commands, run as written on a machine without a display: the demo that `make demo`
// starts, the commands it suggests next, and every shell block of "Trying the other roads".
#include "support/host_fixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using sv::test::buildPath;
using sv::test::ToolResult;

namespace {

const QString kSourceDir = QStringLiteral(SV_TEST_DATA_DIR "/../..");

// The shell blocks of the README section with this heading, up to the next section of its level.
QString shellBlocksOf(const QString& heading) {
    QFile readme(kSourceDir + QStringLiteral("/README.md"));
    EXPECT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("\n## ") + heading);
    EXPECT_GE(start, 0) << heading.toStdString();
    const qsizetype end = text.indexOf(QStringLiteral("\n## "), start + 1);
    const QString section = text.mid(start, end < 0 ? -1 : end - start);
    QString commands;
    static const QRegularExpression block(QStringLiteral("```sh\n(.*?)```"),
                                          QRegularExpression::DotMatchesEverythingOption);
    for (const QRegularExpressionMatch& match : block.globalMatch(section))
        commands += match.captured(1);
    return commands;
}

// A folder like the source tree's top: `build/` holds the two programs, and nothing else.
class Checkout {
public:
    Checkout() {
        EXPECT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("build")));
        for (const char* program : {"sondervik", "quorvant-host"})
            EXPECT_TRUE(QFile::link(buildPath(program), dir_.filePath(QStringLiteral("build/")) + program));
    }

    // Runs the script with bash in the folder, without a display, each command as written.
    ToolResult bash(const QString& script) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        QProcess shell;
        shell.setProcessEnvironment(env);
        shell.setWorkingDirectory(dir_.path());
        shell.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"), QStringLiteral("set -euo pipefail\n") + script});
        const bool finished = shell.waitForFinished(180000);
        if (!finished) shell.kill();
        EXPECT_TRUE(finished) << script.toStdString();
        return {finished ? shell.exitCode() : -1, QString::fromUtf8(shell.readAllStandardOutput()),
                QString::fromUtf8(shell.readAllStandardError())};
    }

private:
    QTemporaryDir dir_;
};

TEST(Readme, TheDemoReadsInOrderAndWhatItSuggestsNextWorks) {
    const Checkout checkout;
    const ToolResult demo = checkout.bash(QStringLiteral("bash '%1/tools/demo.sh' build").arg(kSourceDir));
    ASSERT_EQ(demo.status, 0) << demo.err.toStdString();
    EXPECT_TRUE(demo.out.startsWith("Demo host: build/demo-host")) << demo.out.toStdString();
    EXPECT_TRUE(demo.out.contains("    > Gutschrift prüfen\n"));
    // The box first, then the step that answered it.
    EXPECT_TRUE(demo.out.contains("starten ?\n  -> Yes\n(Schritt: answer Yes)\n")) << demo.out.toStdString();
    EXPECT_TRUE(demo.out.contains("{\"BusinessProcessName\":\"Gutschrift prüfen\""));
    EXPECT_TRUE(demo.out.contains("Der Prozess wurde von 'Administrator' initiiert."));

    const qsizetype next = demo.out.indexOf(QStringLiteral("== Try next"));
    ASSERT_GE(next, 0) << demo.out.toStdString();
    const QString suggested = demo.out.mid(demo.out.indexOf(u'\n', next) + 1);
    EXPECT_TRUE(suggested.contains("start build/demo-host config"));
    const ToolResult tried = checkout.bash(suggested);
    EXPECT_EQ(tried.status, 0) << tried.err.toStdString();
    EXPECT_TRUE(tried.out.contains("bereits teil des Prozesses 'Gutschrift prüfen'"))
        << tried.out.toStdString();
    EXPECT_TRUE(tried.out.contains("[Fenster frm_SondervikConfig geschlossen]"));
    EXPECT_TRUE(tried.out.contains("usage: quorvant-host"));
}

TEST(Readme, TheOtherRoadsWorkAsWritten) {
    const Checkout checkout;
    const QString commands = shellBlocksOf(QStringLiteral("Trying the other roads"));
    ASSERT_TRUE(commands.contains("--steps")) << commands.toStdString();
    const ToolResult roads = checkout.bash(commands);
    ASSERT_EQ(roads.status, 0) << roads.out.toStdString() << roads.err.toStdString();
    EXPECT_TRUE(roads.out.contains("[Fenster frm_Sondervik: \"Prozessauswahl\"]"));
    EXPECT_TRUE(roads.out.contains(
        "  Das Starten von Prozessen ist nur im Aktivitäten- oder Wiedervorlagefenster möglich.\n"));
    EXPECT_TRUE(roads.out.contains(
        "  Für die Aktivitätenart 'Telefonat' wurde kein zugeordneter Prozess gefunden.\n"));
    EXPECT_EQ(roads.out.count("\"BusinessProcess_DSN\":"), 3);  // the demo's running process and two started
    EXPECT_TRUE(roads.out.contains("Entscheidung: abgelehnt, ein Prozess läuft schon"))
        << roads.out.toStdString();
    // Only the warning the README announces, no error.
    EXPECT_EQ(roads.err.count("quorvant-host: warning:"), 1) << roads.err.toStdString();
    EXPECT_FALSE(roads.err.contains("error")) << roads.err.toStdString();
}

}  // namespace
