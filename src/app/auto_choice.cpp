// Automatic start by configuration.

#include "auto_choice.h"

#include "cls_sondervik.h"
#include "platform/data/guid_text.h"
#include "platform/data/sql_literal.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"
#include "run_texts.h"

namespace sv {

AutoChoice::AutoChoice(std::unique_ptr<data::Recordset> config, QString flagField)
    : config_(std::move(config)), flagField_(std::move(flagField)) {}

QString AutoChoice::flagFieldFor(const QString& commandWord) {
    if (commandWord == u"new") return QStringLiteral("AKTSTART");
    if (commandWord == u"update") return QStringLiteral("AKTUPDATE");
    return QStringLiteral("AKTERLEDIGT");
}

// Filter texts quote their values as SQL does: a doubled quote stands for one.
QString AutoChoice::singleFlaggedForType(const QString& typeDsn) {
    if (!config_) return {};
    config_->setFilter(QStringLiteral("AKTART_DSN = ") + data::sqlText(typeDsn) + QStringLiteral(" and ") +
                       flagField_ + QStringLiteral(" = 1"));
    QString dsn = config_->recordCount() == 1 ? toText(config_->value(QStringLiteral("DSN"))) : QString();
    config_->setFilter(QString());
    return dsn;
}

bool AutoChoice::lists(const QString& processDsn) {
    if (!config_) return false;
    config_->setFilter(QString());
    config_->setFilter(QStringLiteral("DSN = ") + data::sqlText(processDsn) + QStringLiteral(" and ") +
                       flagField_ + QStringLiteral(" = 1"));
    return config_->recordCount() == 1;
}

namespace {

// The candidate's own DSN when dsn names one of the candidates (a file may hold it braced or in
// another letter case); empty otherwise.
QString candidateDsn(data::Recordset& candidates, const QString& dsn) {
    for (candidates.moveFirst(); !candidates.eof(); candidates.moveNext()) {
        QString own = toText(candidates.value(QStringLiteral("DSN")));
        if (data::sameDsn(own, dsn)) return own;
    }
    return {};
}

// The configuration opened for an automatic run; throws when the file can't be read or lacks a
// field the choice needs.
std::unique_ptr<data::Recordset> openConfigForEvent(const QString& path, const QString& flagField) {
    auto config = std::make_unique<data::Recordset>();
    config->open(path, QLatin1String(data::ado::kPersistProvider), data::ado::kOpenKeyset,
                 data::ado::kLockBatchOptimistic, data::ado::kCmdFile);
    for (const QString& field : {QStringLiteral("DSN"), QStringLiteral("AKTART_DSN"), flagField})
        if (!config->store().fieldIndex(field))
            throw PlatformError(err::kItemNotFound, QStringLiteral("Das Feld '%1' fehlt.").arg(field));
    return config;
}

}  // namespace

std::optional<AutoChoice> clsSondervik::ChooseByConfiguration(const QString& commandLine,
                                                              data::Recordset& candidates) {
    const QString path = ConfigPath();
    const QString flagField = AutoChoice::flagFieldFor(commandLine);
    std::unique_ptr<data::Recordset> config;
    // A missing file flags nothing: no start, no message, and the file is not created here.
    if (files::fileExists(path)) {
        try {
            config = openConfigForEvent(path, flagField);
        } catch (const PlatformError& e) {
            gui_.messageBox(texts::configUnreadable(files::nativePath(path), e.description()),
                            ui::mb::kOkOnly | ui::mb::kCritical, texts::kRefusalTitle);
            return std::nullopt;
        }
    }
    AutoChoice choice(std::move(config), flagField);
    // The one flagged row starts only when its process is a candidate of the activity now.
    const QString flagged = choice.singleFlaggedForType(toText(PaneField(QStringLiteral("ART_DSN"))));
    if (const QString candidate = flagged.isEmpty() ? QString() : candidateDsn(candidates, flagged);
        !candidate.isEmpty()) {
        StartProcess(candidate);
        return std::nullopt;
    }
    return choice;
}

}  // namespace sv
