// The file layer: links and special files are refused and never followed, a file is created only
// where nothing is, no temporary file outlives a save, and the lock ends with its holder.
#include "platform/files.h"
#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace sv;
using namespace std::chrono_literals;

namespace {

class Files : public ::testing::Test {
protected:
    QString path(const char* name) const { return temp_.filePath(QLatin1String(name)); }

    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static QByteArray bytesOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The error's description when `act` fails with "Permission denied"; empty when it does not fail.
    template <typename Act>
    static QString refusal(Act act) {
        try {
            act();
        } catch (const PlatformError& error) {
            EXPECT_EQ(error.number(), err::kPermissionDenied) << error.what();
            return error.description();
        }
        return {};
    }

    QTemporaryDir temp_;
};

}  // namespace

TEST_F(Files, LinksAndSpecialFilesAreRefusedByNameAndNeverFollowed) {
    const QString target = path("elsewhere.xml");
    write(target, "fremd");
    QFile::setPermissions(target, QFileDevice::ReadOwner);
    ASSERT_TRUE(QFile::link(target, path("link")));
    ASSERT_TRUE(QFile::link(path("nowhere.xml"), path("dangling")));
    ASSERT_EQ(mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(path("folder")));

    const struct {
        const char* name;
        const char* kind;
    } entries[] = {{"link", "a symbolic link"},
                   {"dangling", "a symbolic link"},
                   {"pipe", "a named pipe"},
                   {"folder", "a folder"}};
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.name);
        const QString at = path(entry.name);
        const QString expected = "Permission denied: " + at + " (" + entry.kind + ", not a regular file)";
        EXPECT_EQ(refusal([&] { files::readFile(at); }), expected);
        EXPECT_EQ(refusal([&] { files::writeFileAtomic(at, "neu", files::ReadOnlyTarget::replace); }),
                  expected);
        EXPECT_EQ(refusal([&] { files::createFileExclusive(at, "neu"); }), expected);
        EXPECT_EQ(refusal([&] { files::FileLock(at, 10s, "busy"); }), expected);
        EXPECT_TRUE(files::entryExists(at));
    }
    EXPECT_EQ(bytesOf(target), "fremd");
    EXPECT_FALSE(QFile::permissions(target) & QFileDevice::WriteOwner);
    EXPECT_FALSE(QFile::exists(path("nowhere.xml")));
    EXPECT_EQ(QDir(temp_.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(), 5);
}

TEST_F(Files, ACreationNeverReplacesAndASaveLeavesNoTemporaryFile) {
    const QString config = path("config.xml");
    EXPECT_TRUE(files::createFileExclusive(config, "erstes"));
    EXPECT_FALSE(files::createFileExclusive(config, "zweites"));
    EXPECT_EQ(bytesOf(config), "erstes");

    files::writeFileAtomic(config, "drittes");
    EXPECT_EQ(bytesOf(config), "drittes");
    EXPECT_TRUE(files::strayTemporaries(config).isEmpty());

    // What a save killed before its rename leaves: found and removed, and nothing else is.
    write(config + ".tmp-a1B2c3", "halb");
    write(config + ".tmp-zu-lang", "eigenes");
    write(config + ".bak", "alt");
    EXPECT_EQ(files::strayTemporaries(config), QStringList{config + ".tmp-a1B2c3"});
    files::removeStrayTemporaries(config);
    EXPECT_EQ(QDir(temp_.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"config.xml", "config.xml.bak", "config.xml.tmp-zu-lang"}));
}

TEST_F(Files, TheLockWaitsBoundedlyAndEndsWithItsHolderEvenWhenKilled) {
    const QString lock = path("config.xml.lock");
    write(lock, QByteArray());  // an empty lock file, as a killed holder leaves it, is no lock
    {
        const files::FileLock held(lock, 0ms, "busy");
        EXPECT_EQ(refusal([&] { files::FileLock(lock, 100ms, "another run is saving"); }),
                  "Permission denied: " + lock + " (another run is saving)");
    }
    { const files::FileLock again(lock, 0ms, "busy"); }

    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const files::FileLock held(lock, 0ms, "busy");
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(holder, &status, 0), holder);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(refusal([&] { files::FileLock(lock, 0ms, "busy"); }), QString());
}
