#include "command.h"

#include "connection.h"
#include "platform/error.h"

namespace sv::data {

long Command::execute() {
    if (!connection_ || connection_->state() != Connection::kStateOpen)
        throw PlatformError(err::kObjectClosed,
                            QStringLiteral("The connection cannot be used to perform this operation. "
                                           "It is either closed or invalid in this context."));
    if (text_.trimmed().isEmpty())
        throw PlatformError(err::kBadArgument,
                            QStringLiteral("Command text was not set for the command object."));
    return connection_->execute(text_);
}

}  // namespace sv::data
