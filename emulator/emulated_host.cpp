#include "emulator/emulated_host.h"

#include "emulator/call_log.h"
#include "emulator/host_folder.h"
#include "emulator/host_objects.h"
#include "platform/error.h"
#include "src/host/host_contract.h"

#include <optional>

namespace sv::emu {

namespace {

// The folder of the running host; nullopt when none runs.
std::optional<HostFolder> runningHost(const QString& dir) {
    if (dir.isEmpty()) return std::nullopt;
    HostFolder folder(dir);
    if (!folder.holdsHost()) return std::nullopt;
    return folder;
}

automation::ObjectPtr logged(automation::ObjectPtr object, const QString& name, const HostFolder& folder) {
    return logCalls(std::move(object), name, std::make_shared<CallLog>(folder.callLogPath()));
}

}  // namespace

bool hostIsRunning(const QProcessEnvironment& env) {
    return runningHost(env.value(QLatin1String(kHostDirVariable))).has_value();
}

void registerEmulatedHost(automation::Registry& registry, const QProcessEnvironment& env) {
    const QString dir = env.value(QLatin1String(kHostDirVariable));
    registry.add(QLatin1String(host::kHostClass), [dir] {
        const std::optional<HostFolder> folder = runningHost(dir);
        if (!folder)
            throw PlatformError(
                err::kCantCreateObject,
                dir.isEmpty()
                    ? QStringLiteral("ActiveX component can't create object: the host is "
                                     "not running (%1 is not set)")
                          .arg(QLatin1String(kHostDirVariable))
                    : QStringLiteral("ActiveX component can't create object: no host in %1").arg(dir));
        return logged(makeHostRoot(*folder), QStringLiteral("HostRoot"), *folder);
    });
    registry.add(QLatin1String(host::kUtilClass), [dir] {
        const std::optional<HostFolder> folder = runningHost(dir);
        return folder ? logged(makeUtil(), QStringLiteral("UtilObj"), *folder) : makeUtil();
    });
    registry.add(QLatin1String(host::kDbUtilClass), [dir] {
        const std::optional<HostFolder> folder = runningHost(dir);
        return folder ? logged(makeDbUtil(), QStringLiteral("DbUtil"), *folder) : makeDbUtil();
    });
}

}  // namespace sv::emu
