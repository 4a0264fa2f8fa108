#include "emulator/call_log.h"

#include "emulator/json_text.h"
#include "platform/error.h"
#include "platform/variant.h"

#include <QJsonArray>
#include <QJsonObject>

#include <functional>

namespace sv::emu {

namespace {

using automation::Object;
using automation::ObjectPtr;

class LoggedObject : public Object {
public:
    LoggedObject(ObjectPtr inner, QString name, std::shared_ptr<CallLog> log)
        : inner_(std::move(inner)), name_(std::move(name)), log_(std::move(log)) {}

    QVariant get(const QString& member, QVariantList& args) override {
        return forward(QStringLiteral("get"), member, args,
                       [&](QVariantList& innerArgs) { return inner_->get(member, innerArgs); });
    }

    void put(const QString& member, const QVariantList& args, const QVariant& value) override {
        JsonFields line = describe(QStringLiteral("put"), member, args);
        line.emplace_back(QStringLiteral("value"), jsonArgument(value));
        log_->append(jsonLine(line));
        inner_->put(member, unwrapped(args), unwrapped(value));
    }

    QVariant call(const QString& member, QVariantList& args) override {
        return forward(QStringLiteral("call"), member, args,
                       [&](QVariantList& innerArgs) { return inner_->call(member, innerArgs); });
    }

    const ObjectPtr& inner() const { return inner_; }
    const QString& name() const { return name_; }

    // How an argument is written to the log.
    static QJsonValue jsonArgument(const QVariant& value) {
        if (const ObjectPtr object = automation::toObject(value)) {
            const auto logged = std::dynamic_pointer_cast<LoggedObject>(object);
            return QJsonObject{
                {QStringLiteral("object"), logged ? QJsonValue(logged->name()) : QJsonValue()}};
        }
        if (isEmptyValue(value)) return QJsonObject{{QStringLiteral("empty"), true}};
        return jsonValue(value);
    }

private:
    JsonFields describe(const QString& kind, const QString& member, const QVariantList& args) const {
        QJsonArray jsonArgs;
        for (const QVariant& arg : args)
            jsonArgs.append(jsonArgument(arg));
        return {{QStringLiteral("object"), name_},
                {QStringLiteral("member"), member},
                {QStringLiteral("kind"), kind},
                {QStringLiteral("args"), jsonArgs}};
    }

    QVariant forward(const QString& kind, const QString& member, QVariantList& args,
                     const std::function<QVariant(QVariantList&)>& pass) {
        log_->append(jsonLine(describe(kind, member, args)));
        QVariantList innerArgs = unwrapped(args);
        const QVariant result = pass(innerArgs);
        const QString child = childName(member, args);
        // By-reference arguments: what the callee left in the list reaches the caller, wrapped
        // when it is an object; an object handed back unchanged keeps the caller's wrapper.
        for (qsizetype i = 0; i < args.size() && i < innerArgs.size(); ++i) {
            const ObjectPtr returned = automation::toObject(innerArgs.at(i));
            if (!returned || returned != automation::toObject(unwrapped(args.at(i))))
                args[i] = wrapped(innerArgs.at(i), child);
        }
        return wrapped(result, child);
    }

    QVariant wrapped(const QVariant& value, const QString& name) const {
        ObjectPtr object = automation::toObject(value);
        if (!object) return value;
        return automation::toVariant(std::make_shared<LoggedObject>(std::move(object), name, log_));
    }

    static QVariant unwrapped(const QVariant& value) {
        const auto logged = std::dynamic_pointer_cast<LoggedObject>(automation::toObject(value));
        return logged ? automation::toVariant(logged->inner()) : value;
    }

    static QVariantList unwrapped(const QVariantList& values) {
        QVariantList list;
        for (const QVariant& value : values)
            list.append(unwrapped(value));
        return list;
    }

    static QString argumentText(const QVariant& value) {
        const auto logged = std::dynamic_pointer_cast<LoggedObject>(automation::toObject(value));
        return logged ? logged->name() : toText(value);
    }

    // The log name of an object this one hands out through `member`.
    QString childName(const QString& member, const QVariantList& args) const {
        const QString key = member.toCaseFolded();
        if (key == QLatin1String("quorvant_application")) return QStringLiteral("HostApp");
        if (key == QLatin1String("panes")) return QStringLiteral("Pane(%1)").arg(argumentText(args.value(0)));
        if (key == QLatin1String("commands")) return QStringLiteral("Commands");
        if (key == QLatin1String("currentuserrs")) return QStringLiteral("CurrentUserRs");
        if (key == QLatin1String("getrecordset")) return QStringLiteral("GetRecordSet");
        if (key == QLatin1String("ofilesystem")) return QStringLiteral("oFilesystem");
        QStringList texts;
        for (const QVariant& arg : args)
            texts << argumentText(arg);
        return name_ + u'.' + member +
               (texts.isEmpty() ? QString() : u'(' + texts.join(QStringLiteral(", ")) + u')');
    }

    ObjectPtr inner_;
    QString name_;
    std::shared_ptr<CallLog> log_;
};

}  // namespace

CallLog::CallLog(const QString& path) : file_(path) {}

void CallLog::append(const QByteArray& line) {
    if (!file_.isOpen() && !file_.open(QIODevice::WriteOnly | QIODevice::Append))
        throw PlatformError(
            err::kPermissionDenied,
            QStringLiteral("Can't write the call log %1: %2").arg(file_.fileName(), file_.errorString()));
    const QByteArray bytes = line + '\n';
    if (file_.write(bytes) != bytes.size() || !file_.flush())
        throw PlatformError(
            err::kPermissionDenied,
            QStringLiteral("Can't write the call log %1: %2").arg(file_.fileName(), file_.errorString()));
}

ObjectPtr logCalls(ObjectPtr inner, const QString& name, std::shared_ptr<CallLog> log) {
    return std::make_shared<LoggedObject>(std::move(inner), name, std::move(log));
}

}  // namespace sv::emu
