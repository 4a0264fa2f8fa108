#include "emulator/host_objects.h"

#include "emulator/host_context.h"
#include "emulator/sql_ini.h"
#include "platform/automation/basic_object.h"
#include "platform/automation/recordset_object.h"
#include "platform/data/sql_literal.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/variant.h"
#include "src/host/host_contract.h"

namespace sv::emu {

namespace {

using automation::BasicObject;
using automation::toVariant;

using Context = std::shared_ptr<HostContext>;

const QStringList kPaneNames = hostPaneNames();

QVariant recordsetVariant(std::shared_ptr<data::Recordset> recordset) {
    return toVariant(automation::makeRecordsetObject(std::move(recordset)));
}

// A pane shows HostActivity rows; the session's selection belongs to the active pane, every
// other pane has none.
class Pane : public BasicObject {
public:
    Pane(Context context, QString name) : context_(std::move(context)), name_(std::move(name)) {
        addProperty(QStringLiteral("Dsn"), [this](const QVariantList&) { return QVariant(selectedDsn()); });
        addProperty(QStringLiteral("Rs"), [this](const QVariantList&) {
            return recordsetVariant(context_->activity(selectedDsn()));
        });
    }

private:
    QString selectedDsn() const {
        const Session session = context_->session();
        return session.pane == name_ ? session.selected : QString();
    }

    Context context_;
    QString name_;
};

class Commands : public BasicObject {
public:
    explicit Commands(Context context) : context_(std::move(context)) {
        addMethod(QStringLiteral("Execute"), [this](QVariantList& args) {
            const QString command = toText(arg(args, 0));
            if (command != QLatin1String("OK"))
                throw PlatformError(err::kBadArgument,
                                    QStringLiteral("Unknown host command \"%1\"").arg(command));
            context_->saveSelectedActivity();
            return QVariant();
        });
    }

private:
    Context context_;
};

class HostApp : public BasicObject {
public:
    explicit HostApp(Context context) : context_(std::move(context)) {
        addProperty(QStringLiteral("ActivePaneName"),
                    [this](const QVariantList&) { return QVariant(context_->session().pane); });
        addProperty(QStringLiteral("Folder"),
                    [this](const QVariantList&) { return QVariant(context_->session().folder); });
        addProperty(QStringLiteral("Panes"), [this](const QVariantList& args) {
            const QString name = toText(arg(args, 0));
            if (!kPaneNames.contains(name))
                throw PlatformError(err::kSubscriptOutOfRange,
                                    QStringLiteral("The host has no pane \"%1\"").arg(name));
            return toVariant(std::make_shared<Pane>(context_, name));
        });
        addProperty(QStringLiteral("Commands"),
                    [this](const QVariantList&) { return toVariant(std::make_shared<Commands>(context_)); });
        addProperty(QStringLiteral("CurrentUserRs"), [this](const QVariantList&) {
            return recordsetVariant(
                context_->query(QStringLiteral("SELECT DSN, NAME FROM HostUser WHERE DSN = ") +
                                data::sqlText(context_->session().user)));
        });
        addMethod(QStringLiteral("GetRecordSet"), [this](QVariantList& args) {
            return recordsetVariant(context_->query(toText(arg(args, 0))));
        });
        addMethod(
            QStringLiteral("UpdateRecordSet"),
            [this](QVariantList& args) {
                const std::shared_ptr<data::Recordset> recordset = automation::recordsetOf(arg(args, 0));
                if (!recordset)
                    throw PlatformError(err::kBadArgument,
                                        QStringLiteral("UpdateRecordSet needs a record set"));
                context_->updateActivity(*recordset);
                return QVariant();
            },
            Passing::ByReference);
    }

private:
    Context context_;
};

class FileSystem : public BasicObject {
public:
    FileSystem() {
        addMethod(QStringLiteral("FileExists"),
                  [](QVariantList& args) { return QVariant(files::fileExists(toText(arg(args, 0)))); });
    }
};

class HostRoot : public BasicObject {
public:
    explicit HostRoot(const HostFolder& folder)
        : context_(std::make_shared<HostContext>(folder)),
          app_(std::make_shared<HostApp>(context_)),
          fileSystem_(std::make_shared<FileSystem>()) {
        addMethod(QStringLiteral("Quorvant_InitApplication"), [](QVariantList&) { return QVariant(); });
        addProperty(QStringLiteral("Quorvant_InitType"),
                    [this](const QVariantList&) { return context_->session().initType; });
        addProperty(QStringLiteral("Quorvant_Application"),
                    [this](const QVariantList&) { return toVariant(app_); });
        addProperty(QStringLiteral("Quorvant_Folder"),
                    [this](const QVariantList&) { return QVariant(context_->session().hostFolder); });
        addProperty(QStringLiteral("oFilesystem"),
                    [this](const QVariantList&) { return toVariant(fileSystem_); });
        // The host shows the activity; the emulator notes it in the session.
        addMethod(
            QStringLiteral("AKT_ShowDSN"),
            [this](QVariantList& args) {
                const QString dsn = toText(arg(args, 0));
                context_->changeSession([&dsn](Session& session) { session.shown = dsn; });
                return QVariant();
            },
            Passing::ByReference);
    }

private:
    Context context_;
    automation::ObjectPtr app_;
    automation::ObjectPtr fileSystem_;
};

class Util : public BasicObject {
public:
    Util() {
        addMethod(QStringLiteral("k"), [](QVariantList& args) { return QVariant(toText(arg(args, 0))); });
    }
};

class DbUtil : public BasicObject {
public:
    DbUtil() {
        addMethod(QStringLiteral("GetConnectString"), [](QVariantList& args) {
            bool isNumber = false;
            const int code = arg(args, 1).toInt(&isNumber);
            if (!isNumber || code != host::kConnectStringCode)
                throw PlatformError(
                    err::kBadArgument,
                    QStringLiteral("GetConnectString: wrong code \"%1\"").arg(toText(arg(args, 1))));
            return QVariant(connectStringFromIni(toText(arg(args, 0))));
        });
    }
};

}  // namespace

automation::ObjectPtr makeHostRoot(const HostFolder& folder) {
    return std::make_shared<HostRoot>(folder);
}
automation::ObjectPtr makeUtil() {
    return std::make_shared<Util>();
}
automation::ObjectPtr makeDbUtil() {
    return std::make_shared<DbUtil>();
}

}  // namespace sv::emu
