#pragma once
// What the emulated host's objects share while they live: the host folder, the session (read
// anew on every use, so that a change made while the add-in runs is seen), the host database
// (opened on first use), and what the activity record sets held when they were handed out.

#include "emulator/host_folder.h"
#include "emulator/session.h"
#include "platform/data/connection.h"
#include "platform/data/recordset.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sv::emu {

class HostContext {
public:
    explicit HostContext(const HostFolder& folder) : folder_(folder) {}
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;

    const HostFolder& folder() const { return folder_; }

    Session session() const;
    void changeSession(const std::function<void(Session&)>& change);

    // The host database, through the connection string its SQL.INI gives.
    data::Connection& database();

    // All rows of a statement as a client-side record set, its count exact at once. What it
    // holds now is remembered, so that updateActivity writes back only what is changed in it
    // afterwards.
    std::shared_ptr<data::Recordset> query(const QString& sql);

    // The record set of one HostActivity row; no row when the DSN names none.
    std::shared_ptr<data::Recordset> activity(const QString& dsn);

    // Writes the fields of the record set's current row that differ from what it held when it was
    // handed out (for a record set the host did not hand out: from the stored row) to that
    // HostActivity row, identified by its DSN. Texts go in as quoted literals, Null as NULL.
    // Throws PlatformError: kNoCurrentRecord, kItemNotFound without a DSN field, kFieldNotWritable
    // for a changed field that is no HostActivity column, kDatabase when the row does not exist.
    void updateActivity(data::Recordset& recordset);

    // The host command "OK": saves the selected activity; with a type set for it in the session,
    // an activity without a type (ART_DSN Null) gets that type.
    void saveSelectedActivity();

private:
    struct HandedOut {
        std::weak_ptr<data::Recordset> recordset;
        data::Store original;
    };

    data::Store& originalOf(const data::Recordset& recordset, const QString& dsn);

    HostFolder folder_;
    mutable QByteArray parsedJson_;  // the session file's text behind parsed_
    mutable std::optional<Session> parsed_;
    std::unique_ptr<data::Connection> database_;
    std::vector<HandedOut> handedOut_;
    data::Store storedRow_;  // the original of a record set the host did not hand out
};

}  // namespace sv::emu
