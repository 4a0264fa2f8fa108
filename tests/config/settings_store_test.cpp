// The settings store behind the configurator's check boxes: the update and append paths, duplicated
// rows, errors reported in a message box, and the repair of a file that lacks a field.
#include "src/config/settings_store.h"
#include "config/configurator_fixture.h"

using namespace sv;
using namespace sv::cfgtest;

namespace {

QString typeOf(int n) {
    return n == 6 ? kTypeOffer : n >= 7 ? kTypeService : kTypeComplaint;
}

// One row per demo definition, every flag off, except the processes left out.
std::vector<Row> defaultRows(std::initializer_list<int> without = {}) {
    std::vector<Row> rows;
    for (int n : kListOrder)
        if (std::find(without.begin(), without.end(), n) == without.end())
            rows.push_back(row(process(n), "0000000", typeOf(n)));
    return rows;
}

const QString kItemNotFound =
    QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal.");

}  // namespace

using SettingsStore = ConfiguratorTest;

TEST_F(SettingsStore, ClickUpdatesItsFieldAndTheActivityTypeOnly) {
    std::vector<Row> rows = defaultRows();
    rows[2]["AKTART_DSN"] = "A7000000-0000-4000-8000-0000000000FF";  // process 2, since changed
    writeConfig(kCurrentFields, rows);
    openConfigurator();
    form().selectProcess(2);
    click("chk_OBJ");
    // On disk before the click returns: OBJ and the current type, nothing else.
    ConfigFile file = config();
    rows[2] = row(process(2), "1000000", kTypeComplaint);
    EXPECT_EQ(file.rows, rows);
    // The lock is free again: another writer takes it at once.
    EXPECT_NO_THROW(files::FileLock(configPath() + ".lock", std::chrono::milliseconds(0), "busy"));

    // Any number of processes may carry the same start setting, without a question.
    click("chk_OBJ");
    click("chkAKTNew");
    form().selectProcess(4);
    click("chkAKTNew");
    file = config();
    EXPECT_EQ(file.of(process(2)), std::vector<Row>{row(process(2), "0000100", kTypeComplaint)});
    EXPECT_EQ(file.of(process(1)), std::vector<Row>{row(process(1), "0000100", kTypeComplaint)});
    EXPECT_EQ(file.rows.size(), 8u);
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStore, EveryBoxStoresAndShowsItsOwnField) {
    const struct {
        const char* box;
        const char* field;
    } kBoxFields[] = {{"chk_OBJ", "OBJ"},        {"chk_AD", "AD"},          {"chk_AD_B", "ADB"},
                      {"chk_PRJ", "PRJ"},        {"chkAKTNew", "AKTSTART"}, {"chkStartOnDone", "AKTERLEDIGT"},
                      {"chkUpdate", "AKTUPDATE"}};
    openConfigurator();
    // Process 2 is loaded from the file as it is now.
    const auto loadProcess2 = [this] {
        form().selectProcess(1);
        form().selectProcess(2);
    };
    for (const auto& [boxName, field] : kBoxFields) {
        SCOPED_TRACE(boxName);
        writeConfig(kCurrentFields, defaultRows());
        loadProcess2();
        click(boxName);
        Row expected = row(process(2), "0000000", kTypeComplaint);
        expected[field] = "1";
        EXPECT_EQ(config().of(process(2)), std::vector<Row>{expected});

        // Loaded again, the stored field checks this box alone.
        loadProcess2();
        QString states;
        for (const char* name : kBoxes)
            states += qstrcmp(name, boxName) == 0 ? u'1' : u'0';
        EXPECT_EQ(boxStates(), states);
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStore, ProcessWithoutExactlyOneRowGetsACompleteRowAppended) {
    std::vector<Row> rows = defaultRows({3});
    rows.push_back(row(process(2), "1000000", kTypeComplaint));  // process 2 has two rows now
    writeConfig(kCurrentFields, rows);
    openConfigurator();

    form().selectProcess(1);  // process 3, no row
    click("chkUpdate");
    EXPECT_EQ(config().of(process(3)), std::vector<Row>{row(process(3), "0000001", kTypeComplaint)});
    click("chk_AD");
    EXPECT_EQ(config().of(process(3)), std::vector<Row>{row(process(3), "0100001", kTypeComplaint)});

    form().selectProcess(2);
    EXPECT_EQ(boxStates(), "0000000");
    click("chk_PRJ");
    const std::vector<Row> expected = {row(process(2), "0000000", kTypeComplaint),
                                       row(process(2), "1000000", kTypeComplaint),
                                       row(process(2), "0001000", kTypeComplaint)};
    EXPECT_EQ(config().of(process(2)), expected);
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStore, FailuresAreReportedAndTheFileStaysAsItWas) {
    // OBJ can't be written in this file, nor DSN of a new row; process 3 has two rows.
    std::vector<Row> rows = defaultRows();
    rows.push_back(row(process(3), "0000000", kTypeComplaint));
    writeConfig(kCurrentFields, rows, {"OBJ", "DSN"});
    openConfigurator({"OK", "OK", "OK"});
    QByteArray before = configBytes();
    click("chk_OBJ");  // a link field of an existing row
    form().selectProcess(1);
    click("chk_AD");  // the append path
    EXPECT_EQ(configBytes(), before);
    ASSERT_EQ(messages().size(), 2u);
    for (const QJsonObject& shown : messages()) {
        EXPECT_TRUE(shown.value("text").toString().startsWith("Multiple-step operation generated errors"));
        EXPECT_EQ(shown.value("buttons").toString(), "OK");
        EXPECT_EQ(shown.value("icon").toString(), "none");
        EXPECT_EQ(shown.value("title").toString(), "Sondervik");
    }

    // A file that can't be written: one message with the platform's text, the window stays open.
    writeConfig(kCurrentFields, defaultRows());
    QFile::setPermissions(configPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    before = configBytes();
    click("chkStartOnDone");
    ASSERT_EQ(messages().size(), 3u);
    EXPECT_TRUE(messages()[2].value("text").toString().startsWith("Permission denied"))
        << messages()[2].value("text").toString().toStdString();
    EXPECT_EQ(configBytes(), before);
    EXPECT_TRUE(box("chkStartOnDone")->isChecked());
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(run->ProcessList->state(), data::ado::kStateClosed);
    EXPECT_EQ(run->StartConfig->state(), data::ado::kStateClosed);
}

TEST_F(SettingsStore, ClickWhileAnotherWriterHoldsTheLockIsReportedAndStoresNothing) {
    writeConfig(kCurrentFields, defaultRows());
    openConfigurator({"OK"});
    const QByteArray before = configBytes();
    {
        // Held as another configurator holds it in the middle of its save.
        const files::FileLock other(configPath() + ".lock", std::chrono::milliseconds(0), "busy");
        click("chk_OBJ");
        EXPECT_EQ(configBytes(), before);
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0].value("text").toString(),
                  "Permission denied: " + configPath() + ".lock (another run is saving the configuration)");
    }
    // Free again: the next click is stored, and only its own field.
    click("chk_AD");
    EXPECT_EQ(config().of(process(6)), std::vector<Row>{row(process(6), "0100000", kTypeOffer)});
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(SettingsStore, ClickOnAFileLackingAFieldIsStoredInTheUpgradedFile) {
    // Every start flag is there, the activity type is not: the first click upgrades the file, which
    // keeps every value the file has and takes the type from the definition.
    QStringList withoutType = kCurrentFields;
    withoutType.removeLast();
    std::vector<Row> rows;
    for (int n : kListOrder)
        rows.push_back(row(process(n), n == 3 ? "0010101" : "0000000"));
    rows.push_back(row(QStringLiteral("ALT-1"), "0001011"));
    writeConfig(withoutType, rows);
    openConfigurator();
    form().selectProcess(1);  // process 3
    EXPECT_EQ(boxStates(), "0010011");
    click("chk_OBJ");
    ConfigFile file = config();
    EXPECT_EQ(file.fields, kCurrentFields);
    EXPECT_EQ(file.of(process(3)), std::vector<Row>{row(process(3), "1010101", kTypeComplaint)});
    EXPECT_EQ(file.of("ALT-1"), std::vector<Row>{row("ALT-1", "0001011", "")});
    EXPECT_EQ(form().selectedPosition(), 1);
    EXPECT_EQ(boxStates(), "1010011");

    // A file that lacks a start flag (as every file would after a flag is added to the layout): the
    // configurator start upgrades it; every value it has is kept, its type too, the lacking flag is off.
    QStringList withoutUpdate = kCurrentFields;
    withoutUpdate.removeAll("AKTUPDATE");
    writeConfig(withoutUpdate, {row(process(3), "101011", kTypeService)});
    run->OpenConfigurator();
    file = config();
    EXPECT_EQ(file.fields, kCurrentFields);
    EXPECT_EQ(file.of(process(3)), std::vector<Row>{row(process(3), "1010110", kTypeService)});
    EXPECT_EQ(file.of(process(6)), std::vector<Row>{row(process(6), "0000000", kTypeOffer)});
    EXPECT_TRUE(messages().empty());

    // An older layout, and a process with two rows (so the click appends a row): the same.
    rows = {row(process(6), "1000"), row(process(6), "0100"), row(process(2), "0010"),
            row(process(2), "0011")};
    for (int n : {1, 3, 4, 5, 7, 8})
        rows.push_back(row(process(n), "0000"));
    writeConfig(kOldFields, rows);
    run->OpenConfigurator();
    form().selectProcess(2);
    click("chkAKTNew");
    file = config();
    EXPECT_EQ(file.fields, kCurrentFields);
    EXPECT_EQ(file.of(process(2)), std::vector<Row>{row(process(2), "0011100", kTypeComplaint)});
    EXPECT_EQ(file.of(process(6)), std::vector<Row>{row(process(6), "0100000", kTypeOffer)});
    EXPECT_EQ(form().selectedPosition(), 2);
    EXPECT_EQ(boxStates(), "0011010");
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStore, RepairThatCanNotCompleteIsReportedOnceAndNeverRepeated) {
    // A folder holds the backup's place, so the rebuild can't complete.
    std::vector<Row> rows = {row(process(6), "1000"), row(process(6), "0100")};
    for (int n : {1, 2, 3, 4, 5, 7, 8})
        rows.push_back(row(process(n), "0000"));
    writeConfig(kOldFields, rows);
    const QByteArray old = configBytes();
    ASSERT_TRUE(QDir().mkdir(configPath() + ".bak"));
    openConfigurator({"OK", "OK"});
    click("chk_OBJ");
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_TRUE(messages()[0].value("text").toString().endsWith(".bak (a folder, not a regular file)"))
        << messages()[0].value("text").toString().toStdString();
    EXPECT_EQ(configBytes(), old);
    ASSERT_TRUE(QDir().rmdir(configPath() + ".bak"));
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(run->ConfigRebuildUnderway);

    // A field found missing while a rebuild is under way is reported, not rebuilt again.
    writeConfig(kOldFields, {row(process(6), "1000"), row(process(6), "0100")});
    const QByteArray oldLayout = configBytes();
    run->ConfigRebuildUnderway = true;
    click("chkUpdate");
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[1].value("text").toString(), kItemNotFound);
    EXPECT_EQ(configBytes(), oldLayout);
}

// What the configurator start read of the file serves the loading after it only while the file is
// still the one that was read: a save of another configurator, even of the same size and in place,
// makes the loading read the file again.
TEST(StartConfigSnapshot, ServesTheNextOpenOnlyWhileTheFileIsThatFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("SondervikConfig.xml");
    const auto write = [&path](const char* flags) {
        writeConfig(path, kCurrentFields, {row(process(1), flags, kTypeOffer)});
    };
    const auto objOf = [](data::Recordset& config) { return toText(config.value("OBJ")); };
    write("0000000");
    std::unique_ptr<config::ConfigSnapshot> snapshot;

    config::openStartConfig(path, snapshot)->addNew();  // the start's own additions stay its own
    ASSERT_TRUE(snapshot);
    auto reopened = config::reopenStartConfig(path, snapshot);
    EXPECT_FALSE(snapshot);  // used up
    EXPECT_EQ(reopened->recordCount(), 1);

    config::openStartConfig(path, snapshot);
    write("1000000");  // replaced, same size
    reopened = config::reopenStartConfig(path, snapshot);
    EXPECT_EQ(objOf(*reopened), "1");

    config::openStartConfig(path, snapshot);
    {
        QFile inPlace(path);  // rewritten in place, same size
        ASSERT_TRUE(inPlace.open(QIODevice::ReadWrite));
        QByteArray content = inPlace.readAll();
        content.replace("OBJ='1'", "OBJ='0'");
        inPlace.seek(0);
        inPlace.write(content);
    }
    reopened = config::reopenStartConfig(path, snapshot);
    EXPECT_EQ(objOf(*reopened), "0");

    config::openStartConfig(path, snapshot);
    QFile::remove(path);
    try {
        config::reopenStartConfig(path, snapshot);
        ADD_FAILURE() << "a missing file was opened";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), err::kFileNotFound);
    }
}
