// A GUI module that is damaged, not a file, or of another build, met by the real executables: the
// program and its core are copied into a folder of their own, where they find each other and the
// module under test. Each such run ends with status 2 and one line that names the module and what is
// wrong with it, never with a crash or a hang (runTool gives up after 60 seconds).
#include "platform/ui/gui_module.h"
#include "support/host_fixture.h"

#include <sys/stat.h>

#include <QtEndian>

using sv::test::buildPath;
using sv::test::fileBytes;
using sv::test::HostFixture;
using sv::test::runTool;
using sv::test::ToolResult;
using sv::test::writeBytes;

namespace {

// The manual start on the demo's complaint opens the selection window, which the module makes.
const QString kSteps = QStringLiteral("select Combo_Process 1; click cmd_DoProcess; answer Yes");

class CopiedAddin {
public:
    CopiedAddin() {
        for (const char* name : {"sondervik", "libsv_core.so"})
            EXPECT_TRUE(QFile::copy(buildPath(name), dir_.filePath(QLatin1String(name)))) << name;
    }

    QString modulePath() const { return dir_.filePath(QStringLiteral("libsv_gui.so")); }

    void putModule(const QByteArray& bytes) {
        QFile::remove(modulePath());
        writeBytes(modulePath(), bytes);
    }

    ToolResult start(const HostFixture& host) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return runTool({QStringLiteral("start"), host.dir(), QStringLiteral("--steps"), kSteps,
                        QStringLiteral("--addin"), dir_.filePath(QStringLiteral("sondervik"))},
                       env);
    }

private:
    QTemporaryDir dir_;
};

// The module's stamp note changed to one of another version.
QByteArray ofAnotherVersion(QByteArray module) {
    QByteArray note(4, '\0');
    qToLittleEndian<quint32>(SV_STAMP_NOTE_TYPE, note.data());
    note += QByteArray(SV_STAMP_NOTE_NAME "\0\0\0", 12);
    const qsizetype at = module.indexOf(note);
    EXPECT_GE(at, 0) << "no stamp note in the GUI module";
    // The stamp begins with the major version.
    if (at >= 0) module[at + note.size()] = module[at + note.size()] == '9' ? '8' : '9';
    return module;
}

void expectRefused(const ToolResult& result, const QString& module, const QString& what) {
    EXPECT_EQ(result.status, 2) << result.err.toStdString();
    const QString line = QStringLiteral(
                             "sondervik: can't show the window frm_Sondervik: the GUI module can't be "
                             "loaded: %1 %2")
                             .arg(module, what);
    EXPECT_TRUE(result.err.contains(line))
        << "wanted: " << line.toStdString() << "\nstderr: " << result.err.toStdString();
}

TEST(GuiModule, TheIntactModuleCopiedBesideTheProgramIsLoaded) {
    HostFixture host;
    CopiedAddin addin;
    addin.putModule(fileBytes(buildPath("libsv_gui.so")));
    const auto started = [&] {
        return host.sql(QStringLiteral("select count(*) as n from BusinessProcessActive")).at(0)["n"].toInt();
    };
    const int before = started();
    const ToolResult result = addin.start(host);
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(started(), before + 1);
}

TEST(GuiModule, ATruncatedModuleIsRefusedBeforeItIsLoaded) {
    HostFixture host;
    CopiedAddin addin;
    const QByteArray module = fileBytes(buildPath("libsv_gui.so"));
    ASSERT_GT(module.size(), 400 * 1024);
    addin.putModule(module.left(16));
    expectRefused(addin.start(host), addin.modulePath(), "is not a shared library for this machine");
    for (const qsizetype size : {1024, 64 * 1024, 400 * 1024}) {
        addin.putModule(module.left(size));
        const ToolResult result = addin.start(host);
        expectRefused(result, addin.modulePath(),
                      QStringLiteral("is truncated: a loadable segment ends at byte"));
        EXPECT_TRUE(result.err.contains(QStringLiteral("the file has %1 bytes").arg(size))) << size;
    }
}

TEST(GuiModule, AFifoAFolderOrALinkInPlaceOfTheModuleIsRefusedWithoutWaiting) {
    HostFixture host;
    CopiedAddin addin;
    ASSERT_EQ(::mkfifo(QFile::encodeName(addin.modulePath()).constData(), 0600), 0);
    expectRefused(addin.start(host), addin.modulePath(), "is not a regular file");

    ASSERT_TRUE(QFile::remove(addin.modulePath()));
    ASSERT_TRUE(QDir().mkdir(addin.modulePath()));
    expectRefused(addin.start(host), addin.modulePath(), "is not a regular file");

    ASSERT_TRUE(QDir().rmdir(addin.modulePath()));
    ASSERT_TRUE(QFile::link(buildPath("libsv_gui.so"), addin.modulePath()));
    expectRefused(addin.start(host), addin.modulePath(), "is a symbolic link, which is not followed");
}

TEST(GuiModule, AModuleOfAnotherVersionIsRefused) {
    HostFixture host;
    CopiedAddin addin;
    addin.putModule(ofAnotherVersion(fileBytes(buildPath("libsv_gui.so"))));
    expectRefused(addin.start(host), addin.modulePath(), "is of another version or build (");
}

}  // namespace
