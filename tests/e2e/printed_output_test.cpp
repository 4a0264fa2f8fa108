// What `quorvant-host start … --steps` prints of the windows a run showed, through the real
// programs: the configurator as a person first sees it, and every box as it is ticked.
#include "support/host_fixture.h"

using sv::test::HostFixture;
using sv::test::runTool;
using sv::test::ToolResult;

namespace {

// The printed blocks of the window, each up to the next line that is no part of it.
QStringList windowBlocks(const QString& printed) {
    QStringList blocks;
    for (const QString& part :
         printed.split(QStringLiteral("[Fenster frm_SondervikConfig: \"Prozesskonfigurator\"]\n")).mid(1))
        blocks << part.left(part.indexOf(QStringLiteral("\n(")));
    return blocks;
}

TEST(PrintedOutput, TheConfiguratorIsPrintedFilledAndWithItsTickedBoxes) {
    HostFixture host;
    const ToolResult first =
        runTool({"start", host.dir(), "config", "--steps", "click chk_OBJ; click btn_Close"});
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    QStringList blocks = windowBlocks(first.out);
    ASSERT_EQ(blocks.size(), 2) << first.out.toStdString();
    // As first seen: the list filled, its first process selected and loaded.
    EXPECT_TRUE(
        blocks[0].contains("  lb_Process:\n    > Angebotsverfolgung\n      Ersatzlieferung veranlassen\n"))
        << blocks[0].toStdString();
    EXPECT_TRUE(blocks[0].contains("  chk_OBJ: [ ] ein Objekt\n")) << blocks[0].toStdString();
    EXPECT_TRUE(blocks[1].contains("  chk_OBJ: [x] ein Objekt\n")) << blocks[1].toStdString();

    // The next configurator shows the stored tick at once.
    const ToolResult second = runTool({"start", host.dir(), "config", "--steps", "click btn_Close"});
    ASSERT_EQ(second.status, 0) << second.err.toStdString();
    blocks = windowBlocks(second.out);
    ASSERT_EQ(blocks.size(), 1) << second.out.toStdString();
    EXPECT_TRUE(blocks[0].contains("  chk_OBJ: [x] ein Objekt\n  chk_PRJ: [ ] ein Projekt\n"))
        << blocks[0].toStdString();

    // A transcript written by a run is printed the same way.
    QTemporaryDir work;
    const QString script = work.filePath("script.txt"), transcript = work.filePath("transcript.jsonl");
    sv::test::writeBytes(script, "click chk_AD\nclick btn_Close\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SONDERVIK_UI_SCRIPT", script);
    env.insert("SONDERVIK_UI_TRANSCRIPT", transcript);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    ASSERT_EQ(runTool({"start", host.dir(), "config"}, env).status, 0);
    const ToolResult printed = runTool({"transcript", transcript});
    blocks = windowBlocks(printed.out);
    ASSERT_EQ(blocks.size(), 2) << printed.out.toStdString();
    EXPECT_TRUE(blocks[0].contains("  chk_AD: [ ] eine Adresse 1\n")) << blocks[0].toStdString();
    EXPECT_TRUE(blocks[1].contains("  chk_AD: [x] eine Adresse 1\n")) << blocks[1].toStdString();
    EXPECT_TRUE(blocks[1].contains("  chk_OBJ: [x] ein Objekt\n")) << blocks[1].toStdString();
}

}  // namespace
