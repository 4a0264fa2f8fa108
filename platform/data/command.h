#pragma once
// A statement to run on a connection, in the manner of the platform's command object.

#include <QString>

namespace sv::data {

class Connection;

class Command {
public:
    // The connection is not owned; it must outlive its use by this command.
    void setActiveConnection(Connection* connection) { connection_ = connection; }
    Connection* activeConnection() const { return connection_; }

    void setCommandText(const QString& text) { text_ = text; }
    const QString& commandText() const { return text_; }

    // Runs the command text; the number of rows it changed. Throws PlatformError:
    // kObjectClosed without an open connection, kBadArgument without a command text,
    // kDatabase with the database's message when the statement fails.
    long execute();

private:
    Connection* connection_ = nullptr;
    QString text_;
};

}  // namespace sv::data
