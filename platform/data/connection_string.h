#pragma once
// Connection strings: key=value pairs separated by ';', and the choice of the database road
// they name. OLE DB strings for SQL Server are turned into ODBC strings for FreeTDS.

#include <QString>
#include <vector>

namespace sv::data {

struct ConnectionProperty {
    QString key;
    QString value;
};

// The pairs of one connection string, in the order of their first appearance. Keys are
// compared without regard to letter case; a key given twice keeps the last value.
class ConnectionProperties {
public:
    // Parses key=value pairs. Blanks around keys and plain values are dropped; "==" in a key
    // stands for '='. A value may be quoted ("..." or '...', the quote doubled inside stands for
    // itself) or braced ({...}, "}}" stands for '}'); it may then hold ';'. Throws
    // PlatformError(kBadArgument) for a pair without '=' or an unterminated quote or brace.
    static ConnectionProperties parse(const QString& text);

    bool contains(const QString& key) const;
    QString value(const QString& key) const;  // empty when absent
    void set(const QString& key, const QString& value);
    void remove(const QString& key);
    const std::vector<ConnectionProperty>& items() const { return items_; }

    // The pairs as an ODBC connection string; a value that holds ';', a brace or outer blanks
    // is braced.
    QString toOdbcString() const;

private:
    std::vector<ConnectionProperty>::const_iterator find(const QString& key) const;

    std::vector<ConnectionProperty> items_;
};

enum class Backend {
    Sqlite,     // Provider=SQLite;Data Source=PATH
    Odbc,       // Driver=... or DSN=..., without a provider or with the ODBC provider MSDASQL
    SqlServer,  // Provider=SQLOLEDB, SQLNCLI[nn] or MSOLEDBSQL[nn], optionally with ".n"
    Unknown,
};

Backend backendOf(const ConnectionProperties& properties);

// The FreeTDS ODBC pairs that reach the server an OLE DB SQL Server string names:
// Data Source "host", "host,port", "host\instance" (a port wins over an instance, as with the
// native clients; without either the port is 1433); Initial Catalog; User ID and Password, or,
// with Integrated Security=SSPI/true/yes, Trusted_Connection=Yes, which FreeTDS serves by
// Kerberos. Application Name, Workstation ID and Encrypt/Use Encryption for Data carry over;
// other OLE DB keys (Persist Security Info, ...) mean nothing to FreeTDS and are dropped.
// Throws PlatformError(kBadArgument) for a port that is not a number from 1 to 65535.
ConnectionProperties toFreeTdsOdbc(const ConnectionProperties& oleDb);

// How long to wait for a server to accept the login, in seconds: "Connect Timeout" (or
// "Connection Timeout", "Timeout") when it holds a whole number, else 15. 0 waits without end.
int loginTimeoutSeconds(const ConnectionProperties& properties);

}  // namespace sv::data
