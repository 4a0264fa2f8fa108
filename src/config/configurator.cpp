// The configurator start, the upgrade of a file of an older layout, the loading of one process's
// settings into the window, and the closing of the configurator's record sets.

#include "config_fields.h"
#include "config_file.h"
#include "settings_store.h"

#include "platform/data/persist_xml.h"
#include "platform/files.h"
#include "platform/memory_policy.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"
#include "src/app/cls_sondervik.h"
#include "src/app/run_texts.h"
#include "src/config/config_flag.h"
#include "src/ui/windows.h"

#include <QScopeGuard>
#include <QScopedValueRollback>

#include <algorithm>

namespace sv {

namespace {

const QString kNoProcesses = QStringLiteral("Es sind keine Prozesse definiert.");

using config::ConfigField;
using config::FieldRole;
using config::kFields;
using config::nameOf;
using config::Since;

// A row added for the check gets the flags of the layout off.
void setFlagsOff(data::Recordset& config, Since since) {
    for (const ConfigField& field : kFields)
        if (config::isFlag(field) && field.since == since) config.setValue(nameOf(field), 0);
}

// The boxes of the flags of the layout show the current row of StartConfig.
void loadBoxes(clsSondervik& run, Since since) {
    for (const ConfigField& field : kFields)
        if (config::isFlag(field) && field.since == since)
            run.ConfigForm->setBoxState(nameOf(field),
                                        config::isFlagOn(run.StartConfig->value(nameOf(field))));
}

void showConfigForm(clsSondervik& run) {
    if (!run.ConfigForm) run.ConfigForm = makeConfigWindow(run);
    run.ConfigForm->showWindow();
}

bool hasField(const data::Recordset& config, const QString& name) {
    const std::vector<QString> names = config.fieldNames();
    return std::any_of(names.begin(), names.end(), [&name](const QString& candidate) {
        return candidate.compare(name, Qt::CaseInsensitive) == 0;
    });
}

bool hasCurrentLayout(const data::Recordset& config) {
    return std::all_of(std::begin(kFields), std::end(kFields),
                       [&config](const ConfigField& field) { return hasField(config, nameOf(field)); });
}

// Every row of the old file in the new one, each field that the old file has with its old value: a
// definition's own row keeps the default file's values for the fields the old file lacks; a row of
// a definition that is gone (or one whose DSN is not there exactly once) is added, a lacking flag
// "0" and a lacking type empty.
void carryOverSettings(data::Recordset& old, data::Recordset& rebuilt) {
    const QString dsnField = nameOf(config::onlyFieldOf(FieldRole::processDsn));
    for (old.moveFirst(); !old.eof(); old.moveNext()) {
        const QVariant dsn = old.value(dsnField);
        // The next filter replaces this one; the save below writes every row whatever the filter.
        rebuilt.setFilter(config::dsnFilter(toText(dsn)));
        const bool ownRow = rebuilt.recordCount() == 1;
        if (!ownRow) {
            rebuilt.addNew();
            rebuilt.setValue(dsnField, dsn);
        }
        for (const ConfigField& field : kFields) {
            const QString name = nameOf(field);
            if (field.role == FieldRole::processDsn) continue;
            if (hasField(old, name))
                rebuilt.setValue(name, old.value(name));
            else if (!ownRow)
                rebuilt.setValue(name, config::isFlag(field) ? QVariant(0) : QVariant(QString()));
        }
        rebuilt.update();
    }
}

// The default configuration, ready to take the old settings; a failure is reported as a failed
// creation of the default file, then passes on.
std::unique_ptr<data::Recordset> openDefaultConfig(clsSondervik& run) {
    try {
        return config::openStartConfigXml(config::defaultConfigXml(run.DbConnection.get()));
    } catch (const PlatformError& error) {
        config::reportCreateError(run, error);
        throw;
    }
}

// Rebuilds the file at path from the current definitions, carrying the old settings over. The new
// file is made in memory and replaces the live one once, complete; until then the old file stays
// in place. The backup is a copy of the old file made just before. An error, or a kill, anywhere
// leaves the old file or the complete new one, never less.
void rebuildConfigFile(clsSondervik& run, const QString& path) {
    const QByteArray oldXml = files::readFile(path);
    const std::unique_ptr<data::Recordset> old = config::openStartConfigXml(oldXml);
    // Another configurator may have rebuilt it meanwhile: rebuilding again would lose its changes.
    if (hasCurrentLayout(*old)) return;
    const std::unique_ptr<data::Recordset> rebuilt = openDefaultConfig(run);
    carryOverSettings(*old, *rebuilt);
    rebuilt->setFilter(QString());
    files::writeFileAtomic(path + config::kBackupSuffix, oldXml, files::ReadOnlyTarget::replace);
    files::writeFileAtomic(path, data::writePersistedXml(rebuilt->store()), files::ReadOnlyTarget::replace);
    rebuilt->close();
    old->close();
}

// The loading of a process met a file that lacks a field: the file is rebuilt once (every
// start-event flag off) and the window shows the process that was being loaded.
void repairFromLoading(clsSondervik& run, const QString& processDsn) {
    config::RebuildScope rebuild(run);
    try {
        run.SyncConfig();
        const int position = config::processPosition(run.DbConnection.get(), processDsn);
        if (position >= 0) run.ConfigForm->selectProcess(position);
    } catch (const PlatformError& error) {
        config::closeIfOpen(run.StartConfig);
        config::closeIfOpen(run.ProcessList);
        run.ReportError(error);
    }
}

// The file can't be read, or lacks what every layout has (DSN and the link fields): nothing in it
// can be shown or carried over. The user learns which file it is, and the configurator closes
// without touching it.
void closeOnUnusableFile(clsSondervik& run, const QString& path, const PlatformError& error) {
    run.TraceError(error);
    run.MsgBox(config::unreadableMessage(path, error.description()), ui::mb::kOkOnly | ui::mb::kCritical);
    run.ConfigForm->closeWindow();
}

}  // namespace

void clsSondervik::OpenConfigurator() {
    memory::keepLargeBlocksForReuse();
    // Only the loading of the first process, before this returns, may use what the start read.
    const auto dropSnapshot = qScopeGuard([this] { StartSnapshot.reset(); });
    showConfigForm(*this);
    const QString path = ConfigPath();
    config::removeLeftoverTemporaries(path);
    if (!HostRoot.get(QStringLiteral("oFilesystem"))
             .call(QStringLiteral("FileExists"), {path})
             .variant()
             .toBool())
        CreateDefaultConfig();

    ConfigForm->clearProcesses();
    ProcessList = config::openProcessList(DbConnection.get());
    std::vector<ProcessEntry> entries;
    entries.reserve(size_t(ProcessList->recordCount()));
    // The error handling is armed once the first added row has the flags every layout has: an older
    // layout fails on a later field, which leads to the upgrade.
    bool handlerArmed = false;
    try {
        StartConfig = config::openStartConfig(path, StartSnapshot);
        for (; !ProcessList->eof(); ProcessList->moveNext()) {
            const QString dsn = toText(ProcessList->value(QStringLiteral("DSN")));
            entries.push_back({toText(ProcessList->value(QStringLiteral("BusinessProcessName"))), dsn});
            StartConfig->setFilter(config::dsnFilter(dsn));
            if (StartConfig->recordCount() != 0) continue;
            // Added for the check only: the store is never saved here, and the row is dropped.
            StartConfig->addNew();
            StartConfig->setValue(QStringLiteral("DSN"), dsn);
            setFlagsOff(*StartConfig, Since::firstLayout);
            handlerArmed = true;
            setFlagsOff(*StartConfig, Since::laterLayout);
            const ConfigField& type = config::onlyFieldOf(FieldRole::typeDsn);
            StartConfig->setValue(nameOf(type), toText(ProcessList->value(QLatin1String(type.defaultValue))));
            StartConfig->update();
        }
        ConfigForm->setProcesses(std::move(entries));
        StartConfig->close();
        ProcessList->close();
    } catch (const PlatformError& error) {
        ConfigForm->setProcesses(std::move(entries));
        config::closeIfOpen(StartConfig);
        config::closeIfOpen(ProcessList);
        if (!handlerArmed) {
            closeOnUnusableFile(*this, path, error);
            return;
        }
        if (config::isMissingField(error) && !ConfigRebuildUnderway)
            SyncConfig();
        else
            ReportError(error);
        return;
    }

    if (ConfigForm->processCount() == 0) {
        MsgBox(kNoProcesses, ui::mb::kOkOnly);
        return;
    }
    // Raises lb_Process_Click, which loads the first process before this returns.
    ConfigForm->selectProcess(0);
}

void clsSondervik::SyncConfig() {
    config::RebuildScope rebuild(*this);
    CloseConfig();
    const QString path = ConfigPath();
    {
        config::ConfigFileLock lock(path);
        rebuildConfigFile(*this, path);
    }
    OpenConfigurator();
}

// Shows the settings of the process the entry was filled from, whatever the definitions hold by now.
void clsSondervik::ShowProcessSettings(int position) {
    const std::optional<QString> anchored = ConfigForm->processDsn(position);
    if (!anchored) return;
    const QString& processDsn = *anchored;
    std::optional<PlatformError> failure;
    {
        // The box states set here are not the user's: the boxes' handlers store nothing meanwhile.
        const QScopedValueRollback loading(LoadingProcessSettings, true);
        StartConfig = config::reopenStartConfig(ConfigPath(), StartSnapshot);
        StartConfig->setFilter(config::dsnFilter(processDsn));
        if (StartConfig->recordCount() != 1) {
            // No row, or several rows of the same DSN: nothing to show, and nothing is added here.
            for (const ConfigField& field : kFields)
                if (config::isFlag(field)) ConfigForm->setBoxState(nameOf(field), false);
            StartConfig->setFilter(QString());
            StartConfig->close();
            return;
        }
        loadBoxes(*this, Since::firstLayout);
        try {
            loadBoxes(*this, Since::laterLayout);
            StartConfig->setFilter(QString());
            StartConfig->close();
        } catch (const PlatformError& error) {
            if (StartConfig->state() == data::ado::kStateOpen) StartConfig->setFilter(QString());
            config::closeIfOpen(StartConfig);
            failure = error;
        }
    }
    if (!failure) return;
    if (config::isMissingField(*failure) && !ConfigRebuildUnderway)
        repairFromLoading(*this, processDsn);
    else
        ReportError(*failure);
}

void clsSondervik::CloseConfig() {
    StartSnapshot.reset();
    config::closeAndRelease(StartConfig);
    config::closeAndRelease(ProcessList);
}

}  // namespace sv
