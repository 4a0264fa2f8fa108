// The display probe's choice of Qt platform, each case in an environment of its own: no X display
// can be opened (DISPLAY is not set), a Wayland display is a listening socket in a temporary runtime
// folder, and a stand-in Wayland plugin is installed beside Qt's own plugins.
#include "platform/ui/display_probe.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace sv::ui;

namespace {

QProcessEnvironment environment(std::initializer_list<std::pair<QString, QString>> values) {
    QProcessEnvironment env;
    env.insert("QT_QPA_PLATFORM_PLUGIN_PATH", SV_FAKE_PLATFORMS_DIR);
    for (const auto& [name, value] : values)
        env.insert(name, value);
    return env;
}

// A Wayland display as the probe finds one: a socket that accepts connections. Stopped, it leaves
// its socket file behind, as a compositor that ended abruptly does.
class WaylandSocket {
public:
    explicit WaylandSocket(const QString& path) : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray encoded = QFile::encodeName(path);
        EXPECT_LT(encoded.size(), qsizetype(sizeof address.sun_path));
        std::memcpy(address.sun_path, encoded.constData(),
                    std::min(sizeof address.sun_path - 1, size_t(encoded.size())));
        EXPECT_EQ(bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        // Nobody accepts: the probe's connections wait in the queue.
        EXPECT_EQ(listen(fd_, SOMAXCONN), 0);
    }
    WaylandSocket(const WaylandSocket&) = delete;
    WaylandSocket& operator=(const WaylandSocket&) = delete;
    ~WaylandSocket() { stop(); }

    void stop() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

}  // namespace

// Each platform that can't be used is named in the order it was tried.
TEST(DisplayProbe, AWaylandSessionTriesWaylandBeforeX) {
    const PlatformChoice x = chooseQtPlatform(environment({}));
    EXPECT_FALSE(x.platform);
    EXPECT_EQ(x.failure, "no display can be opened (DISPLAY is not set; XDG_RUNTIME_DIR is not set)");
    const PlatformChoice wayland = chooseQtPlatform(environment({{"XDG_SESSION_TYPE", "wayland"}}));
    EXPECT_FALSE(wayland.platform);
    EXPECT_EQ(wayland.failure, "no display can be opened (XDG_RUNTIME_DIR is not set; DISPLAY is not set)");
}

TEST(DisplayProbe, WithoutWaylandDisplayTheDefaultSocketOfTheRuntimeFolderIsTried) {
    QTemporaryDir runtime;
    WaylandSocket compositor(runtime.filePath("wayland-0"));
    const auto session = [&](std::initializer_list<std::pair<QString, QString>> more = {}) {
        QProcessEnvironment env =
            environment({{"XDG_SESSION_TYPE", "wayland"}, {"XDG_RUNTIME_DIR", runtime.path()}});
        for (const auto& [name, value] : more)
            env.insert(name, value);
        return chooseQtPlatform(env);
    };
    EXPECT_EQ(session().platform, "wayland");
    EXPECT_EQ(session({{"WAYLAND_DISPLAY", runtime.filePath("wayland-0")}}).platform, "wayland");
    const PlatformChoice other = session({{"WAYLAND_DISPLAY", "wayland-1"}});
    EXPECT_FALSE(other.platform);
    EXPECT_TRUE(other.failure.contains(runtime.filePath("wayland-1") + " can't be reached"))
        << other.failure.toStdString();
    compositor.stop();
    const PlatformChoice gone = session();
    EXPECT_FALSE(gone.platform);
    EXPECT_TRUE(gone.failure.contains(runtime.filePath("wayland-0") + " can't be reached"))
        << gone.failure.toStdString();
}

// Qt takes platform names in any letter case and the options after them; so does the probe, and a
// name in capitals needs its display all the same.
TEST(DisplayProbe, AConfiguredPlatformKeepsItsOptionsAndMayBeInAnyCase) {
    const auto configured = [](const QString& platforms) {
        return chooseQtPlatform(environment({{"QT_QPA_PLATFORM", platforms}})).platform;
    };
    EXPECT_EQ(configured("minimal:enable_fonts"), "minimal:enable_fonts");
    EXPECT_EQ(configured("MINIMAL:enable_fonts"), "MINIMAL:enable_fonts");
    EXPECT_EQ(configured("XCB;Wayland;minimal"), "minimal");
    EXPECT_EQ(configured("nosuch; minimal:enable_fonts "), "minimal:enable_fonts");
    const PlatformChoice none = chooseQtPlatform(environment({{"QT_QPA_PLATFORM", "nosuch"}}));
    EXPECT_FALSE(none.platform);
    EXPECT_EQ(none.failure, "no display can be opened (no Qt platform plugin \"nosuch\")");
}
