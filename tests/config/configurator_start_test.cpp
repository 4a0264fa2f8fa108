// The configurator start on a demo host: a missing file, a file of the current layout, files of the
// older five-field layout (upgraded row by row), an empty definition table, and a failed upgrade.
#include "config/configurator_fixture.h"

#include <QAbstractItemView>

using namespace sv;
using namespace sv::cfgtest;

namespace {

const QStringList kNamesByName = {"Angebotsverfolgung",     "Ersatzlieferung veranlassen",
                                  "Gutschrift prüfen",      "Reklamation (bis 2019)",
                                  "Reklamation bearbeiten", "Reklamation Eskalation (archiviert)",
                                  "Wartung abrechnen",      "Wartung planen"};
const QString kGone = QStringLiteral("B9000000-0000-4000-8000-000000000099");

}  // namespace

class ConfiguratorStart : public ConfiguratorTest {
protected:
    QAbstractItemModel& list() { return *form().findChild<QAbstractItemView*>("lb_Process")->model(); }
    QStringList entries() {
        QStringList names;
        for (int i = 0; i < list().rowCount(); ++i)
            names << list().index(i, 0).data().toString();
        return names;
    }
    QString backupPath() const { return configPath() + ".bak"; }
};

TEST_F(ConfiguratorStart, MissingFileIsMadeSilentlyAndEveryDefinitionListed) {
    openConfigurator();
    EXPECT_TRUE(messages().empty());
    const ConfigFile file = config();
    EXPECT_EQ(file.fields, kCurrentFields);
    EXPECT_EQ(file.rows.size(), 8u);
    EXPECT_EQ(file.of(process(7)).at(0), row(process(7), "0000000", kTypeService));
    // Expired and archived definitions too, ordered by name; the first is selected and loaded.
    EXPECT_EQ(entries(), kNamesByName);
    EXPECT_EQ(form().selectedPosition(), 0);
    EXPECT_EQ(boxStates(), "0000000");
}

TEST_F(ConfiguratorStart, CurrentLayoutIsNeverRewritten) {
    // Rows for two definitions only, a row of a deleted one, and a definition added afterwards.
    writeConfig(kCurrentFields, {row(process(6), "1000100", kTypeOffer), row(kGone, "1111111"),
                                 row(process(2), "0000000", kTypeComplaint)});
    hostSql(
        "INSERT INTO BusinessProcess (DSN, BusinessProcessName, StartActivityType_DSN, ValidFrom, ValidTo) "
        "VALUES ('B9000000-0000-4000-8000-000000000009', 'Neu', NULL, '2020-01-01', '2099-01-01')");
    const QByteArray before = configBytes();
    openConfigurator();
    EXPECT_EQ(configBytes(), before);
    EXPECT_FALSE(QFile::exists(backupPath()));
    EXPECT_EQ(entries().size(), 9);
    EXPECT_EQ(boxStates(), "1000010");
    EXPECT_TRUE(messages().empty());
}

TEST_F(ConfiguratorStart, OldLayoutWithADefinitionLackingARowIsUpgraded) {
    writeConfig(kOldFields, {row(process(6), "1010"), row(process(3), "0001"), row(kGone, "1111"),
                             row(process(1), "0110")});
    const QByteArray old = configBytes();
    startRun();
    run->gui().ensureGui();
    run->ConfigForm = std::make_unique<frm_SondervikConfig>(*run);
    int fills = 0;
    QObject::connect(&list(), &QAbstractItemModel::modelReset, [this, &fills] {
        if (list().rowCount() > 0) ++fills;
    });
    run->OpenConfigurator();

    // Filled partly, then again from the start on the rebuilt file; the first process selected.
    EXPECT_EQ(fills, 2);
    EXPECT_EQ(entries(), kNamesByName);
    EXPECT_EQ(form().selectedPosition(), 0);
    EXPECT_EQ(boxStates(), "1010000");
    EXPECT_TRUE(messages().empty());

    const ConfigFile file = config();
    EXPECT_EQ(file.fields, kCurrentFields);
    // Link flags kept, start flags off, the activity type from the definition.
    EXPECT_EQ(file.of(process(6)), std::vector<Row>{row(process(6), "1010000", kTypeOffer)});
    EXPECT_EQ(file.of(process(3)), std::vector<Row>{row(process(3), "0001000", kTypeComplaint)});
    EXPECT_EQ(file.of(process(1)), std::vector<Row>{row(process(1), "0110000", kTypeComplaint)});
    // A definition new to the file has the default row; a deleted one keeps its row, typeless.
    EXPECT_EQ(file.of(process(8)), std::vector<Row>{row(process(8), "0000000", kTypeService)});
    EXPECT_EQ(file.of(kGone), std::vector<Row>{row(kGone, "1111000", "")});
    EXPECT_EQ(file.rows.size(), 9u);
    // The old file stays beside it.
    EXPECT_EQ(files::readFile(backupPath()), old);
}

TEST_F(ConfiguratorStart, OldLayoutWithEveryRowIsUpgradedByTheLoadingOfTheProcessShown) {
    std::vector<Row> rows;
    for (int n : kListOrder)
        rows.push_back(row(process(n), n == 6 ? "1001" : "0000"));
    writeConfig(kOldFields, rows);
    openConfigurator();
    // The start itself adds nothing; the loading of the first process meets the missing fields.
    EXPECT_EQ(config().fields, kCurrentFields);
    EXPECT_EQ(config().of(process(6)), std::vector<Row>{row(process(6), "1001000", kTypeOffer)});
    EXPECT_EQ(form().selectedPosition(), 0);
    EXPECT_EQ(boxStates(), "1001000");

    // Now the first process has two rows, so its loading clears the boxes without touching a
    // field; the upgrade starts when the user selects a process with a row of its own.
    rows = {row(process(6), "1000"), row(process(6), "0100")};
    for (int n : {1, 2, 3, 4, 5, 7, 8})
        rows.push_back(row(process(n), n == 1 ? "0110" : "0000"));
    writeConfig(kOldFields, rows);
    run->OpenConfigurator();
    EXPECT_EQ(config().fields, kOldFields);
    EXPECT_EQ(boxStates(), "0000000");

    form().selectProcess(4);
    const ConfigFile file = config();
    EXPECT_EQ(file.fields, kCurrentFields);
    EXPECT_EQ(file.rows.size(), 8u);
    for (const Row& r : file.rows) {
        SCOPED_TRACE(r.value("DSN").toStdString());
        EXPECT_EQ(r.value("AKTSTART") + r.value("AKTERLEDIGT") + r.value("AKTUPDATE"), "000");
    }
    EXPECT_EQ(file.of(process(6)), std::vector<Row>{row(process(6), "0100000", kTypeOffer)});
    // The window shows the process that was being loaded, with its settings as upgraded.
    EXPECT_EQ(form().selectedPosition(), 4);
    EXPECT_EQ(boxStates(), "0110000");
    EXPECT_TRUE(messages().empty());
}

TEST_F(ConfiguratorStart, EmptyDefinitionTableShowsOneMessageAndAClickStoresNothing) {
    hostSql("DELETE FROM BusinessProcess");
    openConfigurator({"OK"});
    ASSERT_EQ(messages().size(), 1u);
    const QJsonObject shown = messages()[0];
    EXPECT_EQ(shown.value("text").toString(), "Es sind keine Prozesse definiert.");
    EXPECT_EQ(shown.value("title").toString(), "Sondervik");
    EXPECT_EQ(shown.value("buttons").toString(), "OK");
    EXPECT_EQ(shown.value("icon").toString(), "none");
    EXPECT_EQ(list().rowCount(), 0);
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(config().rows.size(), 0u);

    // No process selected: the click reaches the store with position -1.
    const QByteArray before = configBytes();
    click("chk_OBJ");
    EXPECT_EQ(form().selectedPosition(), -1);
    EXPECT_EQ(configBytes(), before);
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(ConfiguratorStart, FailedUpgradePutsTheOldFileBackUnchanged) {
    writeConfig(kOldFields, {row(process(6), "1010"), row(kGone, "0001")});
    const QByteArray old = configBytes();
    startRun({"OK"});
    // The definitions can't be read, so no new default file is made.
    hostSql("ALTER TABLE BusinessProcess RENAME TO BusinessProcessMoved");
    long failure = 0;
    try {
        run->SyncConfig();
    } catch (const PlatformError& error) {
        failure = error.number();
    }
    EXPECT_EQ(failure, err::kDatabase);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].value("title").toString(), "Fehler beim erstellen der Konfigurationsdatei");
    EXPECT_EQ(configBytes(), old);
    EXPECT_FALSE(QFile::exists(backupPath()));
    EXPECT_FALSE(run->ConfigRebuildUnderway);

    // With the definitions back, the same upgrade goes through.
    hostSql("ALTER TABLE BusinessProcessMoved RENAME TO BusinessProcess");
    run->SyncConfig();
    EXPECT_EQ(config().fields, kCurrentFields);
    EXPECT_EQ(config().of(process(6)), std::vector<Row>{row(process(6), "1010000", kTypeOffer)});
    EXPECT_EQ(files::readFile(backupPath()), old);
}
