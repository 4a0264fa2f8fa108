#pragma once
// The log of every automation call the add-in makes to the emulated host, as JSON lines in the
// host folder:
//   {"object":"Pane(F_AKT).Rs","member":"Fields","kind":"get","args":["Notiz"]}
//   {"object":"Pane(F_AKT).Rs.Fields(Notiz)","member":"Value","kind":"put","args":[],"value":"..."}
// An argument that is an object is written as {"object":NAME}, an Empty one as {"empty":true}.

#include "platform/automation/object.h"

#include <QFile>
#include <QString>
#include <memory>

namespace sv::emu {

class CallLog {
public:
    explicit CallLog(const QString& path);

    // Appends one line (UTF-8, without the line break) and flushes it, so that the log is complete
    // whenever the add-in ends. Throws PlatformError(kPermissionDenied) when the log can't be written.
    void append(const QByteArray& line);

private:
    QFile file_;
};

// `inner` behind a decorator that writes each call to the log and then passes it on. Objects it
// hands out (results, objects put into by-reference arguments) are logged too, under readable
// names ("HostApp", "Pane(F_AKT)", "Pane(F_AKT).Rs", "Commands"); logged objects passed in as
// arguments reach `inner` unwrapped, so that the host gets its own objects back.
automation::ObjectPtr logCalls(automation::ObjectPtr inner, const QString& name,
                               std::shared_ptr<CallLog> log);

}  // namespace sv::emu
