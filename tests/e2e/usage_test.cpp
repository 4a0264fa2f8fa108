// --help and --version of both programs: printed on stdout with status 0, the same table of exit
// statuses in both, and no host touched.
#include "support/host_fixture.h"

using sv::test::buildPath;
using sv::test::HostFixture;
using sv::test::runTool;
using sv::test::ToolResult;

namespace {

ToolResult runAddin(const QString& word, const QString& hostDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVANT_HOST_DIR"), hostDir);
    QProcess addin;
    addin.setProcessEnvironment(env);
    addin.start(buildPath("sondervik"), {word});
    EXPECT_TRUE(addin.waitForFinished(60000));
    return {addin.exitCode(), QString::fromUtf8(addin.readAllStandardOutput()),
            QString::fromUtf8(addin.readAllStandardError())};
}

QString exitTable(const QString& usage) {
    return usage.mid(usage.indexOf(QStringLiteral("Exit statuses")));
}

TEST(Usage, HelpAndVersionOfBothProgramsTouchNoHost) {
    HostFixture host;
    const ToolResult help = runAddin("--help", host.dir());
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(help.out.startsWith("usage: sondervik [WORD]\n")) << help.out.toStdString();
    const ToolResult toolHelp = runTool({"--help"});
    EXPECT_EQ(toolHelp.status, 0);
    EXPECT_TRUE(exitTable(help.out).contains("\n  4      sondervik: the host failed to initialise\n"));
    EXPECT_EQ(exitTable(help.out), exitTable(toolHelp.out));

    const ToolResult version = runAddin("--version", host.dir());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.section(u' ', 1), runTool({"--version"}).out.section(u' ', 1));
    EXPECT_TRUE(version.out.startsWith("sondervik ")) << version.out.toStdString();

    EXPECT_FALSE(QFile::exists(host.dir() + "/calls.jsonl"));
}

}  // namespace
