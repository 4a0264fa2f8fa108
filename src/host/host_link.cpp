// Start-up and shutdown: attaching to the host, opening the database connection, and letting go.

#include "host_contract.h"
#include "platform/error.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"
#include "src/app/cls_sondervik.h"
#include "src/app/exit_status.h"

namespace sv {

namespace {

template <class T>
T& existing(const std::unique_ptr<T>& object) {
    if (!object)
        throw PlatformError(err::kObjectVariableNotSet,
                            QStringLiteral("Object variable or With block variable not set"));
    return *object;
}

}  // namespace

void clsSondervik::InitHost() {
    HostRoot = registry_.create(QLatin1String(host::kHostClass));
    HostRoot.call(QStringLiteral("Quorvant_InitApplication"));
    // An Empty init type counts as 0.
    if (HostRoot.get(QStringLiteral("Quorvant_InitType")).variant().toInt() == 0) {
        gui_.messageBox(QStringLiteral("Initialising of Velquin failed.\r\nProgram will terminate."),
                        ui::mb::kOkOnly | ui::mb::kInformation);
        ui::printError(
            QStringLiteral("the host failed to initialise (Quorvant_InitType is 0): the run ends"));
        ui::Gui::endProgram(kExitHostInitFailed);
    }
    UtilObj = registry_.create(QLatin1String(host::kUtilClass));
    HostApp = HostRoot.get(QStringLiteral("Quorvant_Application"));
    DbUtil = registry_.create(QLatin1String(host::kDbUtilClass));

    // Plain concatenation: a folder ending in a backslash gives two in a row, passed on as it is.
    const QString iniPath =
        HostRoot.get(QStringLiteral("Quorvant_Folder")).toText() + QStringLiteral("\\sql\\SQL.INI");
    ConnectString =
        DbUtil.call(QStringLiteral("GetConnectString"), {iniPath, host::kConnectStringCode}).toText();

    DbConnection = std::make_unique<data::Connection>();
    DbConnection->setConnectionString(ConnectString);
    DbConnection->setCursorLocation(data::Connection::kUseClient);
    DbConnection->open();
}

void clsSondervik::ShutDown() {
    // The first step that fails ends the shutdown silently; the steps after it are skipped.
    try {
        HostApp.release();
        UtilObj.release();
        HostRoot.release();
        DbUtil.release();
        if (existing(DbConnection).state() == data::Connection::kStateOpen) DbConnection->close();
        DbConnection.reset();
        CandidateDsns.reset();
        if (existing(StartConfig).state() == data::ado::kStateOpen) StartConfig->close();
        if (existing(ProcessList).state() == data::ado::kStateOpen) ProcessList->close();
        StartConfig.reset();
        ProcessList.reset();
    } catch (const PlatformError&) {
    }
}

}  // namespace sv
