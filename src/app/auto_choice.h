#pragma once
// The automatic choice among several candidate processes, by the start configuration's flags for
// the run's event ("new", "update", "done").

#include "platform/data/recordset.h"

#include <QString>
#include <memory>
#include <vector>

namespace sv {

class AutoChoice {
public:
    // The configuration as read for the event; none: nothing is flagged, and the trace tells each
    // candidate's flag as `withoutConfig` (the file is missing, or of the older layout).
    AutoChoice(std::unique_ptr<data::Recordset> config, QString flagField, QString withoutConfig);

    // The DSN of the one configuration row of the activity type flagged for the event; empty when
    // there is none or more than one.
    QString singleFlaggedForType(const QString& typeDsn);
    // Whether a candidate is listed: exactly one configuration row with its DSN is flagged.
    bool lists(const QString& processDsn);
    // The flag's value in the candidate's row as the trace tells it: "0", "1", Null, no row, n rows,
    // or why there is no configuration.
    QString flagValueText(const QString& processDsn);

    // The start-event flag an automatic command word decides by. Throws PlatformError for any other
    // word: none falls back to some flag.
    static QString flagFieldFor(const QString& commandWord);

private:
    // The DSNs of the rows that pass the filter set now and are flagged for the event.
    std::vector<QString> flaggedDsns();

    std::unique_ptr<data::Recordset> config_;
    QString flagField_;
    QString withoutConfig_;
};

}  // namespace sv
