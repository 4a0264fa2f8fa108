#include "connection_string.h"

#include "platform/error.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <initializer_list>

namespace sv::data {

namespace {

[[noreturn]] void raiseBadString(const QString& why) {
    throw PlatformError(err::kBadArgument, QStringLiteral("Invalid connection string: %1").arg(why));
}

// Reads one connection string from left to right.
class Parser {
public:
    explicit Parser(const QString& text) : text_(text) {}

    ConnectionProperties run() {
        ConnectionProperties result;
        for (skipSeparators(); !atEnd(); skipSeparators()) {
            const QString key = readKey();
            result.set(key, readValue());
        }
        return result;
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    QChar current() const { return text_.at(pos_); }
    bool nextIs(QChar c) const { return pos_ + 1 < text_.size() && text_.at(pos_ + 1) == c; }

    void skipSeparators() {
        while (!atEnd() && (current().isSpace() || current() == u';'))
            ++pos_;
    }
    void skipBlanks() {
        while (!atEnd() && current().isSpace())
            ++pos_;
    }

    QString readKey() {
        QString key;
        for (; !atEnd(); ++pos_) {
            if (current() == u';') break;
            if (current() == u'=') {
                if (!nextIs(u'=')) break;
                ++pos_;  // "==" stands for '=' in a key
            }
            key += current();
        }
        key = key.trimmed();
        if (atEnd() || current() != u'=') raiseBadString(QStringLiteral("no '=' after \"%1\"").arg(key));
        if (key.isEmpty()) raiseBadString(QStringLiteral("a value without a key"));
        ++pos_;
        return key;
    }

    QString readValue() {
        skipBlanks();
        if (atEnd()) return {};
        if (current() == u'"' || current() == u'\'') return readEnclosed(current(), current());
        if (current() == u'{') return readEnclosed(u'{', u'}');
        const qsizetype end = text_.indexOf(u';', pos_);
        const qsizetype stop = end < 0 ? text_.size() : end;
        QString value = text_.mid(pos_, stop - pos_).trimmed();
        pos_ = stop;
        return value;
    }

    // A quoted or braced value; the closing character doubled stands for itself.
    QString readEnclosed(QChar open, QChar close) {
        const qsizetype start = pos_++;
        QString value;
        for (;; ++pos_) {
            if (atEnd())
                raiseBadString(
                    QStringLiteral("%1 opened at position %2 is not closed").arg(open).arg(start + 1));
            if (current() == close) {
                if (!nextIs(close)) break;
                ++pos_;
            }
            value += current();
        }
        ++pos_;
        skipBlanks();
        if (!atEnd() && current() != u';')
            raiseBadString(QStringLiteral("text after the value closed at position %1").arg(pos_));
        return value;
    }

    const QString& text_;
    qsizetype pos_ = 0;
};

bool needsBraces(const QString& value) {
    static const QRegularExpression reserved(QStringLiteral("[;{}]|^\\s|\\s$"));
    return reserved.match(value).hasMatch();
}

QString firstValue(const ConnectionProperties& properties, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        QString value = properties.value(QLatin1String(key)).trimmed();
        if (!value.isEmpty()) return value;
    }
    return {};
}

bool isYes(const QString& value) {
    const QString v = value.trimmed();
    return v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           v.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

bool isIntegratedSecurity(const ConnectionProperties& properties) {
    const QString integrated = properties.value(QStringLiteral("Integrated Security")).trimmed();
    return integrated.compare(QLatin1String("SSPI"), Qt::CaseInsensitive) == 0 || isYes(integrated) ||
           isYes(properties.value(QStringLiteral("Trusted_Connection")));
}

struct ServerAddress {
    QString host;
    QString instance;
    QString port;
};

// "tcp:host\instance,port" and its shorter forms; "(local)" and "." are this machine.
ServerAddress parseServer(QString server) {
    ServerAddress address;
    if (server.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive)) server.remove(0, 4);
    const qsizetype comma = server.indexOf(u',');
    if (comma >= 0) {
        address.port = server.mid(comma + 1).trimmed();
        server.truncate(comma);
        bool ok = false;
        const int port = address.port.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            raiseBadString(QStringLiteral("port \"%1\" is not valid").arg(address.port));
    }
    const qsizetype backslash = server.indexOf(u'\\');
    if (backslash >= 0) {
        address.instance = server.mid(backslash + 1).trimmed();
        server.truncate(backslash);
    }
    address.host = server.trimmed();
    if (address.host.isEmpty() || address.host == u'.' ||
        address.host.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        address.host = QStringLiteral("localhost");
    return address;
}

}  // namespace

ConnectionProperties ConnectionProperties::parse(const QString& text) {
    return Parser(text).run();
}

std::vector<ConnectionProperty>::const_iterator ConnectionProperties::find(const QString& key) const {
    return std::find_if(items_.begin(), items_.end(), [&key](const ConnectionProperty& item) {
        return item.key.compare(key, Qt::CaseInsensitive) == 0;
    });
}

bool ConnectionProperties::contains(const QString& key) const {
    return find(key) != items_.end();
}

QString ConnectionProperties::value(const QString& key) const {
    const auto it = find(key);
    return it == items_.end() ? QString() : it->value;
}

void ConnectionProperties::set(const QString& key, const QString& value) {
    for (ConnectionProperty& item : items_) {
        if (item.key.compare(key, Qt::CaseInsensitive) == 0) {
            item.value = value;
            return;
        }
    }
    items_.push_back({key, value});
}

void ConnectionProperties::remove(const QString& key) {
    const auto it = find(key);
    if (it != items_.end()) items_.erase(it);
}

QString ConnectionProperties::toOdbcString() const {
    QStringList pairs;
    for (const ConnectionProperty& item : items_) {
        QString value = item.value;
        if (needsBraces(value)) value = u'{' + value.replace(u'}', QLatin1String("}}")) + u'}';
        pairs << item.key + u'=' + value;
    }
    return pairs.join(u';');
}

Backend backendOf(const ConnectionProperties& properties) {
    const QString provider = properties.value(QStringLiteral("Provider")).trimmed();
    // The embedded road is decided first: a run on it never compiles the patterns below.
    if (provider.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0) return Backend::Sqlite;
    static const QRegularExpression sqlServer(
        QStringLiteral("^(SQLOLEDB|SQLNCLI\\d*|MSOLEDBSQL\\d*)(\\.\\d+)?$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression odbc(QStringLiteral("^MSDASQL(\\.\\d+)?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (provider.isEmpty() || odbc.match(provider).hasMatch()) {
        const bool namesOdbcSource =
            properties.contains(QStringLiteral("Driver")) || properties.contains(QStringLiteral("DSN"));
        return namesOdbcSource ? Backend::Odbc : Backend::Unknown;
    }
    if (sqlServer.match(provider).hasMatch()) return Backend::SqlServer;
    return Backend::Unknown;
}

int loginTimeoutSeconds(const ConnectionProperties& properties) {
    constexpr int kDefaultSeconds = 15;
    bool isNumber = false;
    const int seconds = firstValue(properties, {"Connect Timeout", "Connection Timeout", "Timeout"})
                            .trimmed()
                            .toInt(&isNumber);
    return isNumber && seconds >= 0 ? seconds : kDefaultSeconds;
}

ConnectionProperties toFreeTdsOdbc(const ConnectionProperties& oleDb) {
    const ServerAddress address =
        parseServer(firstValue(oleDb, {"Data Source", "Server", "Address", "Addr", "Network Address"}));
    ConnectionProperties odbc;
    odbc.set(QStringLiteral("Driver"), QStringLiteral("FreeTDS"));
    if (!address.port.isEmpty() || address.instance.isEmpty()) {
        odbc.set(QStringLiteral("Server"), address.host);
        odbc.set(QStringLiteral("Port"), address.port.isEmpty() ? QStringLiteral("1433") : address.port);
    } else {
        odbc.set(QStringLiteral("Server"), address.host + u'\\' + address.instance);
    }
    const QString database = firstValue(oleDb, {"Initial Catalog", "Database"});
    if (!database.isEmpty()) odbc.set(QStringLiteral("Database"), database);

    if (isIntegratedSecurity(oleDb)) {
        odbc.set(QStringLiteral("Trusted_Connection"), QStringLiteral("Yes"));
    } else {
        const QString user = firstValue(oleDb, {"User ID", "UID", "User"});
        if (!user.isEmpty()) odbc.set(QStringLiteral("UID"), user);
        // A password keeps its blanks: they are part of it.
        for (const char* key : {"Password", "PWD"}) {
            if (oleDb.contains(QLatin1String(key))) {
                odbc.set(QStringLiteral("PWD"), oleDb.value(QLatin1String(key)));
                break;
            }
        }
    }
    odbc.set(QStringLiteral("TDS_Version"), QStringLiteral("7.4"));
    odbc.set(QStringLiteral("ClientCharset"), QStringLiteral("UTF-8"));

    const QString application = firstValue(oleDb, {"Application Name"});
    if (!application.isEmpty()) odbc.set(QStringLiteral("APP"), application);
    const QString workstation = firstValue(oleDb, {"Workstation ID"});
    if (!workstation.isEmpty()) odbc.set(QStringLiteral("WSID"), workstation);
    if (isYes(oleDb.value(QStringLiteral("Encrypt"))) ||
        isYes(oleDb.value(QStringLiteral("Use Encryption for Data"))))
        odbc.set(QStringLiteral("Encryption"), QStringLiteral("require"));
    return odbc;
}

}  // namespace sv::data
