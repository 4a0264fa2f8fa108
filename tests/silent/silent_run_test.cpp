// A run that shows nothing loads no GUI library. This program is built without the GUI module, so
// a GUI library in its memory map was loaded by the run; the real programs are watched through
// the dynamic loader's report of every library it maps.

#include "support/host_fixture.h"
#include "support/run_fixture.h"

#include <QRegularExpression>

namespace {

const QRegularExpression kGuiLibrary(QStringLiteral("lib(Qt6(Widgets|Gui)|sv_gui)\\.so[^\\s;]*"));

// The GUI libraries named in the text, one each, separated by blanks.
std::string guiLibrariesIn(const QString& text) {
    QStringList found;
    for (auto it = kGuiLibrary.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.removeDuplicates();
    return found.join(u' ').toStdString();
}

class SilentRun : public sv::test::RunFixture {};

TEST_F(SilentRun, AnUpdateWithNoProcessToStartMapsNoGuiLibrary) {
    select(sv::emu::demo::kActCall);  // its type has no process
    EXPECT_TRUE(run(QStringLiteral("update"), {}).empty());
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_EQ(guiLibrariesIn(QString::fromUtf8(maps.readAll())), "");
}

TEST(SilentProgram, TheHostAndTheAddInLoadNoGuiLibraryForAnUpdateWithNoProcess) {
    sv::test::HostFixture host;
    host.set({QStringLiteral("pane=F_AKT"), QStringLiteral("selected=") + sv::emu::demo::kActCall});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));  // every library mapped, on stderr
    const sv::test::ToolResult result = sv::test::runTool({"start", host.dir(), "update"}, env);
    EXPECT_EQ(result.status, 0);
    ASSERT_TRUE(result.err.contains(QStringLiteral("file=libsv_core.so")))
        << "the loader's report is missing";
    EXPECT_EQ(guiLibrariesIn(result.err), "");
}

}  // namespace
