// SaveProcessSetting: every change of a box in the configurator is stored in the file at once.

#include "settings_store.h"

#include "config_fields.h"
#include "platform/data/persist_xml.h"
#include "platform/data/sql_literal.h"
#include "platform/files.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"
#include "src/app/cls_sondervik.h"
#include "src/app/run_texts.h"
#include "src/ui/windows.h"

#include <optional>

namespace sv {

namespace config {

namespace {

const QString kProcessListQuery = QStringLiteral(
    "Select BusinessProcessName, DSN, StartActivityType_DSN from BusinessProcess Order By "
    "BusinessProcessName");

// A missing folder is named by the file the user knows, not by its lock.
files::FileLock takeLock(const QString& configPath, std::chrono::milliseconds wait) {
    try {
        return files::FileLock(configPath + QStringLiteral(".lock"), wait,
                               QStringLiteral("another run is saving the configuration"));
    } catch (const PlatformError& error) {
        if (error.number() != err::kPathNotFound) throw;
        throw PlatformError(err::kPathNotFound,
                            QStringLiteral("Path not found: %1").arg(files::nativePath(configPath)));
    }
}

void setConfiguratorCursor(data::Recordset& recordset) {
    recordset.setCursorType(data::ado::kOpenKeyset);
    recordset.setCursorLocation(data::ado::kUseClient);
    recordset.setLockType(data::ado::kLockOptimistic);
}

}  // namespace

bool isMissingField(const PlatformError& error) {
    return error.number() == err::kItemNotFound;
}

std::unique_ptr<data::Recordset> openProcessList(data::Connection* connection) {
    auto list = std::make_unique<data::Recordset>();
    list->setActiveConnection(connection);
    list->setSource(kProcessListQuery);
    setConfiguratorCursor(*list);
    list->open();
    return list;
}

std::unique_ptr<data::Recordset> openStartConfig(const QString& path) {
    auto config = std::make_unique<data::Recordset>();
    setConfiguratorCursor(*config);
    config->open(path, QLatin1String(data::ado::kPersistProvider), data::ado::kOpenKeyset,
                 data::ado::kLockBatchOptimistic, data::ado::kCmdFile);
    return config;
}

std::unique_ptr<data::Recordset> openStartConfigXml(const QByteArray& xml) {
    auto config = std::make_unique<data::Recordset>();
    setConfiguratorCursor(*config);
    config->open(data::readPersistedXml(xml));
    return config;
}

std::unique_ptr<data::Recordset> openStartConfig(const QString& path,
                                                 std::unique_ptr<ConfigSnapshot>& snapshot) {
    snapshot.reset();
    const std::optional<files::FileStamp> before = files::fileStamp(path);
    std::unique_ptr<data::Recordset> config = openStartConfig(path);
    if (before && before == files::fileStamp(path))
        snapshot = std::make_unique<ConfigSnapshot>(ConfigSnapshot{*before, config->store()});
    return config;
}

std::unique_ptr<data::Recordset> reopenStartConfig(const QString& path,
                                                   std::unique_ptr<ConfigSnapshot>& snapshot) {
    const std::unique_ptr<ConfigSnapshot> kept = std::move(snapshot);
    if (!kept || files::fileStamp(path) != kept->stamp) return openStartConfig(path);
    auto config = std::make_unique<data::Recordset>();
    setConfiguratorCursor(*config);
    config->open(std::move(kept->store));
    return config;
}

void closeIfOpen(const std::unique_ptr<data::Recordset>& recordset) {
    if (recordset && recordset->state() == data::ado::kStateOpen) recordset->close();
}

void closeAndRelease(std::unique_ptr<data::Recordset>& recordset) {
    closeIfOpen(recordset);
    recordset.reset();
}

QString dsnFilter(const QString& dsn) {
    QString filter;
    filter.reserve(dsn.size() + 10);
    return filter.append(u"DSN = ").append(data::sqlText(dsn));
}

int processPosition(data::Connection* connection, const QString& dsn) {
    const std::unique_ptr<data::Recordset> list = openProcessList(connection);
    for (int position = 0; !list->eof(); list->moveNext(), ++position)
        if (toText(list->value(QStringLiteral("DSN"))) == dsn) return position;
    return -1;
}

void reloadProcessList(clsSondervik& run, const QString& keepDsn) {
    std::vector<ProcessEntry> entries;
    int keep = 0;
    const std::unique_ptr<data::Recordset> list = openProcessList(run.DbConnection.get());
    for (; !list->eof(); list->moveNext()) {
        const QString dsn = toText(list->value(QStringLiteral("DSN")));
        if (dsn == keepDsn) keep = int(entries.size());
        entries.push_back({toText(list->value(QStringLiteral("BusinessProcessName"))), dsn});
    }
    list->close();
    run.ConfigForm->setProcesses(std::move(entries));
    if (run.ConfigForm->processCount() > 0) run.ConfigForm->selectProcess(keep);
}

ConfigFileLock::ConfigFileLock(const QString& configPath, std::chrono::milliseconds wait)
    : lock_(takeLock(configPath, wait)) {}

RebuildScope::RebuildScope(clsSondervik& run) : run_(run), previous_(run.ConfigRebuildUnderway) {
    run_.ConfigRebuildUnderway = true;
}

RebuildScope::~RebuildScope() {
    run_.ConfigRebuildUnderway = previous_;
}

}  // namespace config

namespace {

// The user the host names, for the trace; a host that can't tell leaves it empty, and the store
// goes on.
QString userForTrace(clsSondervik& run) {
    try {
        return run.HostApp.get(QStringLiteral("CurrentUserRs"))
            .get(QStringLiteral("Fields"), {QStringLiteral("NAME")})
            .get(QStringLiteral("Value"))
            .toText();
    } catch (const PlatformError&) {
        return {};
    }
}

// Who changed which setting of which process, from what to what.
void traceStoredSetting(clsSondervik& run, const QString& field, const QString& oldValue, qint16 newValue) {
    if (!run.Trace.on()) return;
    const data::Recordset& list = *run.ProcessList;
    run.Trace.line(u"Einstellung gespeichert: Prozess '%1' (%2), Feld %3: %4 -> \"%5\", Benutzer '%6'",
                   toText(list.value(QStringLiteral("BusinessProcessName"))),
                   toText(list.value(QStringLiteral("DSN"))), field, oldValue, newValue, userForTrace(run));
}

// The selected process's row (ProcessList's current row) gets the box's state and the definition's
// activity type; without exactly one row of its own, a complete row is appended. Then the whole
// store is saved and both record sets are closed.
void writeSelectedProcess(clsSondervik& run, const QString& field, const QString& path) {
    data::Recordset& list = *run.ProcessList;
    data::Recordset& config = *run.StartConfig;
    const ConfigWindow& form = *run.ConfigForm;
    const QVariant processDsn = list.value(QStringLiteral("DSN"));
    const std::optional<qint16> state = form.boxState(field);
    QString oldValue = QStringLiteral("keine Zeile");
    config.setFilter(config::dsnFilter(toText(processDsn)));
    if (config.recordCount() == 1) {
        // A name that is no box's writes no box.
        if (state) {
            oldValue = traceValueText(config.value(field));
            config.setValue(field, *state);
        }
    } else {
        // The other rows of the DSN, if any, stay as they are.
        config.addNew();
        config.setValue(QStringLiteral("DSN"), processDsn);
        // Every flag from its box, in the file's order.
        for (const config::ConfigField& flag : config::kFields)
            if (config::isFlag(flag))
                config.setValue(config::nameOf(flag), *form.boxState(config::nameOf(flag)));
    }
    const config::ConfigField& type = config::onlyFieldOf(config::FieldRole::typeDsn);
    config.setValue(config::nameOf(type), list.value(QLatin1String(type.defaultValue)));
    config.update();
    config.setFilter(QString());
    config.save(path, data::ado::kPersistXml);
    if (state) traceStoredSetting(run, field, oldValue, *state);
    config.close();
    list.close();
}

// Reopens ProcessList on the row at the position; whether that row is still the definition the
// entry was filled from.
bool openAnchoredRow(clsSondervik& run, int position, const QString& anchoredDsn) {
    run.ProcessList = config::openProcessList(run.DbConnection.get());
    if (position >= run.ProcessList->recordCount()) return false;
    run.ProcessList->move(position);
    return toText(run.ProcessList->value(QStringLiteral("DSN"))) == anchoredDsn;
}

// Whether the definitions are still those the list was filled from, only in another order now.
bool onlyRenamed(const ConfigWindow& form, data::Recordset& list) {
    QStringList shown;
    for (int position = 0; position < form.processCount(); ++position)
        shown << *form.processDsn(position);
    QStringList now;
    for (list.moveFirst(); !list.eof(); list.moveNext())
        now << toText(list.value(QStringLiteral("DSN")));
    shown.sort();
    now.sort();
    return shown == now;
}

// Definitions were added, deleted or renamed since the list was filled: what the list shows at the
// position is no longer the definition there, so nothing is stored, and the list is filled anew.
void reloadOutdatedList(clsSondervik& run, const QString& anchoredDsn) {
    const bool renamed = onlyRenamed(*run.ConfigForm, *run.ProcessList);
    run.ProcessList->close();
    run.MsgBox(texts::processListOutdated(renamed), ui::mb::kOkOnly | ui::mb::kExclamation);
    config::reloadProcessList(run, anchoredDsn);
}

// Reopens both record sets on the process of the entry at the position and stores the field.
// `processDsn` tells the caller which process it was, as soon as that is known. A click replayed
// after a rebuild is shown again first, while ProcessList is open, so that the box's own handler
// stores nothing.
void storeSetting(clsSondervik& run, const QString& field, int position, std::optional<QString>& processDsn,
                  std::optional<qint16> replayedState = std::nullopt) {
    const std::optional<QString> anchored = run.ConfigForm->processDsn(position);
    if (!anchored) return;  // no such entry: nothing is shown there
    if (!openAnchoredRow(run, position, *anchored)) {
        reloadOutdatedList(run, *anchored);
        return;
    }
    processDsn = anchored;
    if (replayedState) run.ConfigForm->setBoxState(field, *replayedState != 0);
    const QString path = run.ConfigPath();
    const config::ConfigFileLock lock(path);
    run.StartConfig = config::openStartConfig(path);
    writeSelectedProcess(run, field, path);
}

void reportStoreError(clsSondervik& run, const PlatformError& error) {
    config::closeIfOpen(run.StartConfig);
    config::closeIfOpen(run.ProcessList);
    run.ReportError(error);
}

// A click met a file that lacks a field: the file is rebuilt once, the window shows the process the
// user had selected again, and the state the user gave the box is stored in the rebuilt file. What
// fails from here on is reported; nothing is rebuilt a second time.
void repairAndStore(clsSondervik& run, const QString& field, const QString& processDsn) {
    const std::optional<qint16> clicked = run.ConfigForm->boxState(field);
    config::RebuildScope rebuild(run);
    try {
        run.SyncConfig();
        const int position = config::processPosition(run.DbConnection.get(), processDsn);
        if (position < 0) return;  // the definition has been deleted meanwhile
        // Loads the process's settings as the rebuild left them.
        run.ConfigForm->selectProcess(position);
        std::optional<QString> storedFor;
        storeSetting(run, field, position, storedFor, clicked);
    } catch (const PlatformError& error) {
        reportStoreError(run, error);
    }
}

}  // namespace

void clsSondervik::SaveProcessSetting(const QString& fieldName, int position) {
    // Loading guard: the box states that the loading of a process's settings sets, and those a
    // store sets while ProcessList is open, are not the user's.
    if (LoadingProcessSettings || (ProcessList && ProcessList->state() != data::ado::kStateClosed)) return;
    // No process selected (an empty list): there is no row to store into.
    if (position < 0) return;
    std::optional<QString> processDsn;
    try {
        storeSetting(*this, fieldName, position, processDsn);
    } catch (const PlatformError& error) {
        if (config::isMissingField(error) && processDsn && !ConfigRebuildUnderway) {
            config::closeIfOpen(StartConfig);
            config::closeIfOpen(ProcessList);
            repairAndStore(*this, fieldName, *processDsn);
        } else {
            reportStoreError(*this, error);
        }
    }
}

}  // namespace sv
