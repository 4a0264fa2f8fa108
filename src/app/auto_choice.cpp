// Automatic start by configuration.

#include "auto_choice.h"

#include "cls_sondervik.h"
#include "command_words.h"
#include "platform/data/guid_text.h"
#include "platform/data/sql_literal.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"
#include "run_texts.h"
#include "src/config/config_file.h"
#include "src/config/config_flag.h"

namespace sv {

AutoChoice::AutoChoice(std::unique_ptr<data::Recordset> config, QString flagField, QString withoutConfig)
    : config_(std::move(config)),
      flagField_(std::move(flagField)),
      withoutConfig_(std::move(withoutConfig)) {}

QString AutoChoice::flagFieldFor(const QString& commandWord) {
    const CommandWord& entry = commandWordOf(commandWord);
    if (entry.mode != RunMode::automatic)
        throw PlatformError(
            err::kBadArgument,
            QStringLiteral("'%1' is no automatic command word: it decides by no flag.").arg(commandWord));
    return QLatin1String(entry.flagField);
}

// Filter texts quote their values as SQL does: a doubled quote stands for one. The flag itself is
// read by the rule every road shares, not by the filter.
QString AutoChoice::singleFlaggedForType(const QString& typeDsn) {
    if (!config_) return {};
    config_->setFilter(QStringLiteral("AKTART_DSN = ") + data::sqlText(typeDsn));
    const std::vector<QString> flagged = flaggedDsns();
    config_->setFilter(QString());
    return flagged.size() == 1 ? flagged.front() : QString();
}

QString AutoChoice::flagValueText(const QString& processDsn) {
    if (!config_) return withoutConfig_;
    config_->setFilter(QStringLiteral("DSN = ") + data::sqlText(processDsn));
    const long rows = config_->recordCount();
    const QVariant value = rows == 1 ? config_->value(flagField_) : QVariant();
    config_->setFilter(QString());
    if (rows == 0) return QStringLiteral("keine Zeile");
    if (rows > 1) return QStringLiteral("%1 Zeilen").arg(rows);
    return traceValueText(value);
}

bool AutoChoice::lists(const QString& processDsn) {
    if (!config_) return false;
    config_->setFilter(QString());
    config_->setFilter(QStringLiteral("DSN = ") + data::sqlText(processDsn));
    return flaggedDsns().size() == 1;
}

std::vector<QString> AutoChoice::flaggedDsns() {
    std::vector<QString> dsns;
    for (config_->moveFirst(); !config_->eof(); config_->moveNext())
        if (config::isFlagOn(config_->value(flagField_)))
            dsns.push_back(toText(config_->value(QStringLiteral("DSN"))));
    return dsns;
}

namespace {

struct Candidate {
    QString dsn;
    QString name;
};

// The candidate that dsn names (a file may hold it braced or in another letter case); nullopt when
// it is none of them.
std::optional<Candidate> findCandidate(data::Recordset& candidates, const QString& dsn) {
    for (candidates.moveFirst(); !candidates.eof(); candidates.moveNext()) {
        QString own = toText(candidates.value(QStringLiteral("DSN")));
        if (data::sameDsn(own, dsn))
            return Candidate{std::move(own), toText(candidates.value(QStringLiteral("BusinessProcessName")))};
    }
    return std::nullopt;
}

// The configuration opened for an automatic run; throws when the file can't be read or has no DSN.
// A file of the older layout, without the start-event fields, flags nothing: no configuration then.
std::unique_ptr<data::Recordset> openConfigForEvent(const QString& path, const QString& flagField) {
    auto config = std::make_unique<data::Recordset>();
    config->open(path, QLatin1String(data::ado::kPersistProvider), data::ado::kOpenKeyset,
                 data::ado::kLockBatchOptimistic, data::ado::kCmdFile);
    if (!config->store().fieldIndex(QStringLiteral("DSN")))
        throw PlatformError(err::kItemNotFound, QStringLiteral("Das Feld 'DSN' fehlt."));
    for (const QString& field : {QStringLiteral("AKTART_DSN"), flagField})
        if (!config->store().fieldIndex(field)) return nullptr;
    return config;
}

}  // namespace

std::optional<AutoChoice> clsSondervik::ChooseByConfiguration(const QString& commandLine,
                                                              data::Recordset& candidates) {
    const QString path = ConfigPath();
    const QString flagField = AutoChoice::flagFieldFor(commandLine);
    std::unique_ptr<data::Recordset> config;
    config::removeLeftoverTemporaries(path);
    bool fileThere = false;
    try {
        // A missing file flags nothing: no start, no message, and the file is not created here.
        // Anything else at the path is read, so that a link or special file there is reported.
        fileThere = files::entryExists(path);
        if (fileThere) config = openConfigForEvent(path, flagField);
    } catch (const PlatformError& e) {
        TraceError(e);
        MsgBox(config::unreadableMessage(path, e.description()), ui::mb::kOkOnly | ui::mb::kCritical,
               texts::kRefusalTitle);
        return std::nullopt;
    }
    if (config)
        Trace.line(u"Konfiguration gelesen, Feld %1", flagField);
    else if (fileThere)
        Trace.line(
            u"Konfigurationsdatei älteren Aufbaus ohne Feld %1: kein Prozess ist für das Ereignis markiert",
            flagField);
    else
        Trace.line(u"Konfigurationsdatei fehlt: nichts ist für %1 markiert", flagField);
    AutoChoice choice(std::move(config), flagField,
                      fileThere ? QStringLiteral("älterer Aufbau") : QStringLiteral("keine Datei"));
    // The one flagged row starts only when its process is a candidate of the activity now.
    const QString flagged = choice.singleFlaggedForType(toText(PaneField(QStringLiteral("ART_DSN"))));
    if (const std::optional<Candidate> candidate =
            flagged.isEmpty() ? std::nullopt : findCandidate(candidates, flagged)) {
        TraceFlags(choice, candidates, false);
        Trace.line(u"Entscheidung: Start von '%1' (%2), die einzige für %3 markierte Zeile der Art",
                   candidate->name, candidate->dsn, flagField);
        StartProcess(candidate->dsn);
        return std::nullopt;
    }
    if (!flagged.isEmpty())
        Trace.line(u"Die einzige markierte Zeile der Art, %1, ist kein Kandidat", flagged);
    TraceFlags(choice, candidates, true);
    return choice;
}

}  // namespace sv
