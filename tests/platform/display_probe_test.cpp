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

// The platform chosen in an environment with these variables, or why none was.
std::string chosen(std::initializer_list<std::pair<QString, QString>> variables) {
    QProcessEnvironment env;
    env.insert("QT_QPA_PLATFORM_PLUGIN_PATH", SV_FAKE_PLATFORMS_DIR);
    for (const auto& [name, value] : variables)
        env.insert(name, value);
    const PlatformChoice choice = chooseQtPlatform(env);
    return (choice.platform ? *choice.platform : "none: " + choice.failure).toStdString();
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
    EXPECT_EQ(chosen({}), "none: no display can be opened (DISPLAY is not set; XDG_RUNTIME_DIR is not set)");
    EXPECT_EQ(chosen({{"XDG_SESSION_TYPE", "wayland"}}),
              "none: no display can be opened (XDG_RUNTIME_DIR is not set; DISPLAY is not set)");
}

TEST(DisplayProbe, WithoutWaylandDisplayTheDefaultSocketOfTheRuntimeFolderIsTried) {
    QTemporaryDir runtime;
    WaylandSocket compositor(runtime.filePath("wayland-0"));
    const std::pair<QString, QString> session{"XDG_SESSION_TYPE", "wayland"};
    const std::pair<QString, QString> folder{"XDG_RUNTIME_DIR", runtime.path()};
    EXPECT_EQ(chosen({session, folder}), "wayland");
    EXPECT_EQ(chosen({session, {"WAYLAND_DISPLAY", runtime.filePath("wayland-0")}}), "wayland");
    const std::string unreached =
        "none: no display can be opened (the Wayland display " + runtime.path().toStdString();
    EXPECT_EQ(chosen({session, folder, {"WAYLAND_DISPLAY", "wayland-1"}}),
              unreached + "/wayland-1 can't be reached; DISPLAY is not set)");
    compositor.stop();
    EXPECT_EQ(chosen({session, folder}), unreached + "/wayland-0 can't be reached; DISPLAY is not set)");
}

// Qt takes platform names in any letter case and the options after them; so does the probe, and a
// name in capitals needs its display all the same.
TEST(DisplayProbe, AConfiguredPlatformKeepsItsOptionsAndMayBeInAnyCase) {
    EXPECT_EQ(chosen({{"QT_QPA_PLATFORM", "minimal:enable_fonts"}}), "minimal:enable_fonts");
    EXPECT_EQ(chosen({{"QT_QPA_PLATFORM", "MINIMAL:enable_fonts"}}), "MINIMAL:enable_fonts");
    EXPECT_EQ(chosen({{"QT_QPA_PLATFORM", "XCB;Wayland;minimal"}}), "minimal");
    EXPECT_EQ(chosen({{"QT_QPA_PLATFORM", "nosuch; minimal:enable_fonts "}}), "minimal:enable_fonts");
    EXPECT_EQ(chosen({{"QT_QPA_PLATFORM", "nosuch"}}),
              "none: no display can be opened (no Qt platform plugin \"nosuch\")");
}
