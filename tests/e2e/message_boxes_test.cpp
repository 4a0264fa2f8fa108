// Every message box of the real add-in, shown on its road through the emulated host: its exact text,
// title, buttons and icon, and what the run leaves behind (rows of running processes, the notes, the
// configuration file, the exit status, the calls made to the host).
#include "emulator/host_schema.h"
#include "support/host_fixture.h"
#include "support/message_box_expect.h"

#include <pugixml.hpp>

using namespace sv;
using sv::test::ExpectedBox;
using sv::test::fileBytes;
using sv::test::HostFixture;
using sv::test::okBox;
using sv::test::startWithFreshCallLog;
using sv::test::writeBytes;
using sv::test::yesNoQuestion;

namespace {

const QString kApplicationTitle = QStringLiteral("Sondervik");
const QString kRefusalTitle = QStringLiteral("Prozessstart beendet");
const QString kOfferProcess = QStringLiteral("B9000000-0000-4000-8000-000000000006");  // "Angebotsverfolgung"

ExpectedBox refusal(const QString& text) {
    return okBox(kRefusalTitle, text, QStringLiteral("information"));
}

ExpectedBox confirmation(const QString& processName) {
    return yesNoQuestion(QStringLiteral("Prozess starten?"),
                         QStringLiteral("Möchten Sie für die ausgewählte Aktivität den Prozess '") +
                             processName + QStringLiteral("' starten?"));
}

ExpectedBox alreadyRunning(const QString& processName) {
    return refusal(QStringLiteral("Die von Ihnen gewählte Aktivität ist bereits teil des Prozesses '") +
                   processName +
                   QStringLiteral("'.\r\nUm einen neuen Prozess starten zu können muss der vorherige erst "
                                  "beendet werden."));
}

ExpectedBox startError(const QString& description) {
    return okBox(kApplicationTitle,
                 QStringLiteral("Es ist ein Fehler beim Prozessstart aufgetreten:\r\n") + description,
                 QStringLiteral("critical"));
}

ExpectedBox runtimeError(int number, const QString& description) {
    return okBox(kApplicationTitle, QStringLiteral("Laufzeitfehler '%1':\r\n\r\n").arg(number) + description,
                 QStringLiteral("critical"));
}

QString unreadableConfigIntro(const HostFixture& host) {
    return QStringLiteral("Die Konfigurationsdatei '") + host.configPath() +
           QStringLiteral("' konnte nicht gelesen werden:\r\n");
}

ExpectedBox unreadableConfig(const HostFixture& host, const QString& title, const QString& problem) {
    return okBox(title, unreadableConfigIntro(host) + problem, QStringLiteral("critical"));
}

// A box of the configurator's own: OK only, no icon, the application's title.
ExpectedBox plainBox(const QString& text) {
    return okBox(kApplicationTitle, text, QStringLiteral("none"));
}

const ExpectedBox kDefaultFileQuestion = yesNoQuestion(
    QStringLiteral("Konfigurationsdatei wurde erstellt."),
    QStringLiteral("Es wurde keine Konfiguration gefunden. Eine Standardkonfiguration wurde erstellt.\r\n"
                   "Bitte überprüfen Sie die Konfiguration in dem Sie 'Prozessschnellstart konfigurieren' "
                   "ausführen.\r\n"
                   "Möchten Sie den Prozess mit den Standardeinstellungen starten ?"));

// The default file could not be made, with the cause.
ExpectedBox defaultFileError(const QString& cause) {
    return okBox(
        QStringLiteral("Fehler beim erstellen der Konfigurationsdatei"),
        QStringLiteral("Es ist ein Fehler aufgetreten beim erstellen der Konfigurationdatei\r\n") + cause,
        QStringLiteral("critical"));
}

std::string textOf(const QJsonObject& object, const char* key) {
    return object.value(QLatin1String(key)).toString().toStdString();
}

QString jsonText(const std::vector<QJsonObject>& rows) {
    QJsonArray array;
    for (const QJsonObject& row : rows)
        array.append(row);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

// What a run may change on the host's side: the running processes, the notes, the configuration file.
struct HostTrace {
    QString runningProcesses;
    QString notes;
    bool configExists = false;
    QByteArray config;
};

HostTrace traceOf(HostFixture& host) {
    return {jsonText(host.sql("select DSN, BusinessProcess_DSN, Start_User_DSN, Start_Activity_DSN, State "
                              "from BusinessProcessActive order by DSN")),
            jsonText(host.sql("select DSN, Notiz from HostActivity order by DSN")),
            QFile::exists(host.configPath()), fileBytes(host.configPath())};
}

void expectUntouched(HostFixture& host, const HostTrace& before) {
    const HostTrace after = traceOf(host);
    EXPECT_EQ(after.runningProcesses.toStdString(), before.runningProcesses.toStdString());
    EXPECT_EQ(after.notes.toStdString(), before.notes.toStdString());
    EXPECT_EQ(after.configExists, before.configExists);
    EXPECT_EQ(after.config, before.config);
}

std::vector<QJsonObject> startedFor(HostFixture& host, const char* activity) {
    return host.sql(QStringLiteral("select BusinessProcess_DSN, State from BusinessProcessActive where "
                                   "Start_Activity_DSN = '%1'")
                        .arg(QLatin1String(activity)));
}

int callsOf(const std::vector<QJsonObject>& calls, const QString& member, const QString& argument = {}) {
    int count = 0;
    for (const QJsonObject& call : calls)
        if (call.value("member").toString() == member &&
            (argument.isNull() || call.value("args").toArray().contains(argument)))
            ++count;
    return count;
}

// The configuration file is an XML document; these change it as an administrator's editor would.
class ConfigXml {
public:
    explicit ConfigXml(const QString& path) : path_(path.toLocal8Bit()) {
        EXPECT_TRUE(doc_.load_file(path_.constData())) << path_.constData();
    }
    // Saved only when changed, so that reading leaves the file's bytes alone.
    ~ConfigXml() {
        if (changed_) {
            EXPECT_TRUE(
                doc_.save_file(path_.constData(), "", pugi::format_raw | pugi::format_no_declaration));
        }
    }
    ConfigXml(const ConfigXml&) = delete;
    ConfigXml& operator=(const ConfigXml&) = delete;

    void setField(const QString& processDsn, const char* field, const char* value) {
        pugi::xml_node found = row(processDsn);
        ASSERT_TRUE(found.attribute(field)) << field;
        found.attribute(field).set_value(value);
        changed_ = true;
    }
    void removeRow(const QString& processDsn) {
        pugi::xml_node found = row(processDsn);
        found.parent().remove_child(found);
        changed_ = true;
    }
    // The field can't be written any more in a store read back from the file.
    void dropWriteMark(const char* field) {
        definition(field).remove_attribute("rs:writeunknown");
        changed_ = true;
    }
    // The file of an older layout: the field is neither defined nor in any row.
    void dropField(const char* field) {
        pugi::xml_node found = definition(field);
        found.parent().remove_child(found);
        for (const pugi::xpath_node& r : doc_.select_nodes("//z:row"))
            r.node().remove_attribute(field);
        changed_ = true;
    }
    size_t rowCount() const { return doc_.select_nodes("//z:row").size(); }

private:
    pugi::xml_node row(const QString& processDsn) {
        const std::string query = "//z:row[@DSN='" + processDsn.toStdString() + "']";
        const pugi::xml_node found = doc_.select_node(query.c_str()).node();
        EXPECT_TRUE(found) << query;
        return found;
    }
    pugi::xml_node definition(const char* field) {
        const std::string query = std::string("//s:AttributeType[@name='") + field + "']";
        const pugi::xml_node found = doc_.select_node(query.c_str()).node();
        EXPECT_TRUE(found) << query;
        return found;
    }

    QByteArray path_;
    pugi::xml_document doc_;
    bool changed_ = false;
};

// The default configuration file, made the way an administrator makes it: a configurator run.
void makeDefaultConfig(HostFixture& host) {
    ASSERT_EQ(host.start("config", {"close"}).status, 0);
    ASSERT_TRUE(QFile::exists(host.configPath()));
}

QString selected(const char* activity) {
    return QStringLiteral("selected=") + QLatin1String(activity);
}

}  // namespace

TEST(MessageBoxes, RefusalsBeforeTheActivityIsKnownLeaveNoTrace) {
    HostFixture host;
    const HostTrace before = traceOf(host);

    // Pane names and mode words are compared exactly: "f_akt" is no activity pane, "Config" a manual run.
    host.set({"pane=f_akt"});
    auto result = startWithFreshCallLog(host, "Config", {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(
        host,
        {refusal("Das Starten von Prozessen ist nur im Aktivitäten- oder Wiedervorlagefenster möglich.")});
    EXPECT_TRUE(host.events("window").empty());
    EXPECT_EQ(callsOf(host.calls(), "Panes"), 0);

    // No selected activity: an automatic run is told too.
    host.set({"pane=F_VOR", "selected="});
    result = startWithFreshCallLog(host, "update", {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {refusal("Es ist keine Aktivität ausgewählt!")});
    EXPECT_EQ(callsOf(host.calls(), "GetRecordSet"), 0);

    // An activity without a type that the host's "OK" gives none either: the type is looked up empty.
    host.set({"pane=F_AKT", selected(emu::demo::kActUntyped)});
    result = startWithFreshCallLog(host, "done", {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host,
                          {refusal("Es ist ein Fehler bei der Ermittlung der Aktivitätenart aufgetreten.")});
    const auto calls = host.calls();
    EXPECT_EQ(callsOf(calls, "Execute", "OK"), 1);
    EXPECT_EQ(callsOf(calls, "GetRecordSet", "Select Name from Aktivitätenarten where DSN = ''"), 1);

    expectUntouched(host, before);
}

TEST(MessageBoxes, RunningOrMissingProcessIsToldInManualRunsOnly) {
    HostFixture host;
    // The running process's definition has been deleted since: its name is empty between the quotes.
    host.sql("delete from BusinessProcess where DSN = 'B9000000-0000-4000-8000-000000000001'");
    host.sql("update Aktivitätenarten set Name = 'Rückruf ''dringend''' where DSN = '" +
             QLatin1String(emu::demo::kTypeCall) + "'");
    const HostTrace before = traceOf(host);

    host.set({selected(emu::demo::kActRunning)});
    auto result = host.start(QString(), {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {alreadyRunning(QString())});

    // The type's name goes into the text as it is, quotes and all.
    host.set({selected(emu::demo::kActCall)});
    result = host.start("Neu", {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(
        host,
        {refusal("Für die Aktivitätenart 'Rückruf 'dringend'' wurde kein zugeordneter Prozess gefunden.")});

    // The same activity reported by the host as new: no process, and nobody to tell.
    result = host.start("new");
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(host.transcript.empty());

    expectUntouched(host, before);
}

TEST(MessageBoxes, ConfirmationAndTheQuestionAboutANewDefaultFile) {
    HostFixture host;
    host.set({selected(emu::demo::kActOffer)});
    const HostTrace before = traceOf(host);

    // No: nothing is written, and the configuration is not looked for.
    auto result = startWithFreshCallLog(host, QString(), {"answer No"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {confirmation("Angebotsverfolgung")});
    expectUntouched(host, before);
    EXPECT_EQ(callsOf(host.calls(), "FileExists"), 0);

    // Yes, then No to the default settings: the default file stays, nothing starts.
    result = startWithFreshCallLog(host, QString(), {"answer Yes", "answer No"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {confirmation("Angebotsverfolgung"), kDefaultFileQuestion});
    ASSERT_TRUE(QFile::exists(host.configPath()));
    EXPECT_EQ(ConfigXml(host.configPath()).rowCount(), 8u);
    const HostTrace withDefaults = traceOf(host);
    EXPECT_EQ(withDefaults.runningProcesses.toStdString(), before.runningProcesses.toStdString());
    EXPECT_EQ(withDefaults.notes.toStdString(), before.notes.toStdString());
    EXPECT_EQ(callsOf(host.calls(), "AKT_ShowDSN"), 0);

    // With the file there, Yes starts at once, and the start leaves the file as it was.
    result = startWithFreshCallLog(host, QString(), {"answer Yes"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {confirmation("Angebotsverfolgung")});
    const auto started = startedFor(host, emu::demo::kActOffer);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(textOf(started[0], "BusinessProcess_DSN"), kOfferProcess.toStdString());
    EXPECT_EQ(callsOf(host.calls(), "AKT_ShowDSN", QLatin1String(emu::demo::kActOffer)), 1);
    EXPECT_EQ(fileBytes(host.configPath()), withDefaults.config);
}

TEST(MessageBoxes, StartErrorsShowTheDatabaseDescriptionAndKeepWhatWasDone) {
    HostFixture host;
    makeDefaultConfig(host);

    // The insert is refused: no row, no note, the host is not told.
    host.sql(
        "CREATE TRIGGER no_start BEFORE INSERT ON BusinessProcessActive "
        "BEGIN SELECT RAISE(ABORT, 'Prozessstarts sind gesperrt'); END");
    host.set({selected(emu::demo::kActOffer)});
    HostTrace before = traceOf(host);
    auto result = startWithFreshCallLog(host, QString(), {"answer Yes", "answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host,
                          {confirmation("Angebotsverfolgung"), startError("Prozessstarts sind gesperrt")});
    expectUntouched(host, before);
    EXPECT_EQ(callsOf(host.calls(), "UpdateRecordSet"), 0);
    EXPECT_EQ(callsOf(host.calls(), "AKT_ShowDSN"), 0);
    host.sql("DROP TRIGGER no_start");

    // The note is refused after the insert, chosen in the selection window: the row stays.
    host.sql(
        "CREATE TRIGGER no_note BEFORE UPDATE OF Notiz ON HostActivity "
        "BEGIN SELECT RAISE(ABORT, 'Die Notiz ist schreibgeschützt'); END");
    host.set({selected(emu::demo::kActComplaint)});
    before = traceOf(host);
    result = startWithFreshCallLog(host, QString(),
                                   {"select Combo_Process 1", "click cmd_DoProcess", "answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {startError("Die Notiz ist schreibgeschützt")});
    const auto started = startedFor(host, emu::demo::kActComplaint);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(textOf(started[0], "BusinessProcess_DSN"), "B9000000-0000-4000-8000-000000000002");
    EXPECT_EQ(traceOf(host).notes.toStdString(), before.notes.toStdString());
    EXPECT_EQ(callsOf(host.calls(), "UpdateRecordSet"), 1);
    EXPECT_EQ(callsOf(host.calls(), "AKT_ShowDSN"), 0);
    EXPECT_EQ(fileBytes(host.configPath()), before.config);
    host.sql("DROP TRIGGER no_note");

    // The row that stayed is a running process from now on.
    before = traceOf(host);
    result = host.start(QString(), {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {alreadyRunning("Gutschrift prüfen")});
    expectUntouched(host, before);
}

TEST(MessageBoxes, LinkRefusalListsEveryMissingLinkInManualAndAutomaticStarts) {
    HostFixture host;
    makeDefaultConfig(host);
    {
        ConfigXml config(host.configPath());
        for (const char* field : {"OBJ", "AD", "ADB", "PRJ"})
            config.setField(kOfferProcess, field, "1");
    }
    // The offer is linked to an address 1 only.
    host.set({selected(emu::demo::kActOffer)});
    const HostTrace before = traceOf(host);
    const ExpectedBox missingLinks =
        okBox(QStringLiteral("Fehlende Verknüpfung"),
              QStringLiteral("Um den gewählten Prozess für die ausgewählte Aktivität\r\n"
                             "starten zu können werden folgende Verknüpfungen noch benötigt:\r\n"
                             "- Eine Objektverknüpfung\r\n"
                             "- Eine Adress2verknüpfung\r\n"
                             "- Eine Projektverknüpfung"),
              QStringLiteral("information"));

    auto result = startWithFreshCallLog(host, QString(), {"answer Yes", "answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {confirmation("Angebotsverfolgung"), missingLinks});
    expectUntouched(host, before);
    EXPECT_EQ(callsOf(host.calls(), "AKT_ShowDSN"), 0);

    // The single candidate of an automatic run passes the same gate.
    result = startWithFreshCallLog(host, "new", {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {missingLinks});
    expectUntouched(host, before);

    // Empty texts are links: the start goes through without a word.
    host.sql("update HostActivity set OBJ_DSN = '', AD_B_DSN = '', PROJEKTE_DSN = '' where DSN = '" +
             QLatin1String(emu::demo::kActOffer) + "'");
    result = host.start("new");
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(host.events("msgbox").empty());
    EXPECT_EQ(startedFor(host, emu::demo::kActOffer).size(), 1u);
}

TEST(MessageBoxes, DefaultFileErrorWhenTheAddinFolderIsMissing) {
    HostFixture host;
    const QString addinFolder = host.dir() + QStringLiteral("/Addin/_Sondervik");
    ASSERT_TRUE(QDir(addinFolder).removeRecursively());
    host.set({selected(emu::demo::kActOffer)});
    const HostTrace before = traceOf(host);
    const QString missingFile = QStringLiteral("Path not found: ") + host.configPath();
    const ExpectedBox creationError = defaultFileError(missingFile);

    // The failure is reported, and the question follows all the same; No ends the run.
    auto result = host.start(QString(), {"answer Yes", "answer OK", "answer No"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {confirmation("Angebotsverfolgung"), creationError, kDefaultFileQuestion});
    expectUntouched(host, before);

    // Yes: the file that is not there can't be read, which ends the start with its description.
    result = host.start(QString(), {"answer Yes", "answer OK", "answer Yes", "answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {confirmation("Angebotsverfolgung"), creationError, kDefaultFileQuestion,
                                 startError(missingFile)});
    expectUntouched(host, before);

    // The configurator has nothing to show without the file: it says which file, and closes.
    result = host.start("config", {"answer OK", "answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {creationError, unreadableConfig(host, kApplicationTitle, missingFile)});
    EXPECT_EQ(host.events("closed").size(), 1u);
    expectUntouched(host, before);
    EXPECT_FALSE(QDir(addinFolder).exists());
}

TEST(MessageBoxes, AutomaticRunWithAnUnreadableConfigurationSaysWhyAndStartsNothing) {
    HostFixture host;
    makeDefaultConfig(host);
    // The service activity has two candidates, so the event's flag has to be read.
    host.set({"pane=F_VOR", selected(emu::demo::kActService)});
    const QString unreadable = unreadableConfigIntro(host);

    // A file of the older layout has no flag for "done".
    ConfigXml(host.configPath()).dropField("AKTERLEDIGT");
    HostTrace before = traceOf(host);
    auto result = host.start("done", {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {unreadableConfig(host, kRefusalTitle, "Das Feld 'AKTERLEDIGT' fehlt.")});
    EXPECT_TRUE(host.events("window").empty());
    expectUntouched(host, before);

    // A torn file: the reader's own account of the damage follows the introduction.
    writeBytes(host.configPath(), "<xml xmlns:rs=\"urn:schemas-microsoft-com:rowset\"><rs:data>");
    before = traceOf(host);
    result = host.start("update", {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    const auto boxes = host.events("msgbox");
    ASSERT_EQ(boxes.size(), 1u);
    const QString text = boxes[0].value("text").toString();
    EXPECT_TRUE(text.startsWith(unreadable)) << text.toStdString();
    EXPECT_GT(text.size(), unreadable.size()) << "no account of the damage";
    EXPECT_EQ(textOf(boxes[0], "title"), kRefusalTitle.toStdString());
    EXPECT_EQ(textOf(boxes[0], "buttons"), "OK");
    EXPECT_EQ(textOf(boxes[0], "icon"), "critical");
    EXPECT_TRUE(host.events("window").empty());
    expectUntouched(host, before);

    // The configurator on the torn file: the same account under its own title, and the window closes.
    result = host.start("config", {"answer OK"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    const auto configuratorBoxes = host.events("msgbox");
    ASSERT_EQ(configuratorBoxes.size(), 1u);
    EXPECT_EQ(textOf(configuratorBoxes[0], "text"), text.toStdString());
    EXPECT_EQ(textOf(configuratorBoxes[0], "title"), kApplicationTitle.toStdString());
    EXPECT_EQ(textOf(configuratorBoxes[0], "buttons"), "OK");
    EXPECT_EQ(textOf(configuratorBoxes[0], "icon"), "critical");
    EXPECT_EQ(host.events("closed").size(), 1u);
    expectUntouched(host, before);
}

TEST(MessageBoxes, ConfiguratorWithoutProcessDefinitionsSaysSoAndStoresNothing) {
    HostFixture host;
    host.sql("delete from BusinessProcess");
    const auto result = host.start("config", {"answer OK", "click chk_OBJ", "click btn_Close"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {plainBox("Es sind keine Prozesse definiert.")});
    const auto windows = host.events("window");
    ASSERT_EQ(windows.size(), 2u);  // shown, and its state after the click
    const QJsonObject controls = windows[1].value("controls").toObject();
    EXPECT_TRUE(controls.value("lb_Process").toObject().value("entries").toArray().isEmpty());
    EXPECT_EQ(controls.value("chk_OBJ").toObject().value("checked").toInt(), 1);
    EXPECT_EQ(host.events("closed").size(), 1u);
    // The default file of an empty table, and the click added no row to it.
    ASSERT_TRUE(QFile::exists(host.configPath()));
    EXPECT_EQ(ConfigXml(host.configPath()).rowCount(), 0u);
}

TEST(MessageBoxes, ConfiguratorReportsWhatItCannotLoadOrStore) {
    HostFixture host;
    makeDefaultConfig(host);
    const QString path = host.configPath();
    const QByteArray defaults = fileBytes(path);

    // A start-event flag no box can show: its description, and the window stays open.
    ConfigXml(path).setField(kOfferProcess, "AKTSTART", "x");
    QByteArray stored = fileBytes(path);
    auto result = host.start("config", {"answer OK", "close"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {plainBox("Type mismatch")});
    EXPECT_EQ(host.events("closed").size(), 1u);
    EXPECT_EQ(fileBytes(path), stored);

    // The same in a link flag is not caught while loading: the standard report ends the run.
    writeBytes(path, defaults);
    ConfigXml(path).setField(kOfferProcess, "OBJ", "x");
    stored = fileBytes(path);
    result = host.start("config", {"answer OK"});
    EXPECT_EQ(result.status, 1);
    sv::test::expectBoxes(host, {runtimeError(13, "Type mismatch")});
    EXPECT_EQ(fileBytes(path), stored);

    // A read-only file: the click is reported, the box keeps the user's state, the file stays as it was.
    writeBytes(path, defaults);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    result = host.start("config", {"click chk_AD", "answer OK", "click btn_Close"});
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host, {plainBox("Permission denied: " + path + " (file is read-only)")});
    const auto windows = host.events("window");
    ASSERT_GE(windows.size(), 2u);
    EXPECT_EQ(windows[1].value("controls").toObject().value("chk_AD").toObject().value("checked").toInt(), 1);
    EXPECT_EQ(fileBytes(path), defaults);

    // A field that can't be written: its click is reported, a click on another box is stored.
    ConfigXml(path).dropWriteMark("OBJ");
    result = host.start("config", {"click chk_OBJ", "answer OK", "click chk_AD", "click btn_Close"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host,
                          {plainBox("Multiple-step operation generated errors. Check each status value. "
                                    "(field 'OBJ' cannot be written)")});
    {
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(path.toLocal8Bit().constData()));
        const pugi::xml_node row =
            doc.select_node(("//z:row[@DSN='" + kOfferProcess.toStdString() + "']").c_str()).node();
        EXPECT_STREQ(row.attribute("OBJ").value(), "0");
        EXPECT_STREQ(row.attribute("AD").value(), "1");
    }

    // A process without a row while the start-event fields can't be written: the configurator start
    // reports it and leaves the file alone.
    writeBytes(path, defaults);
    {
        ConfigXml config(path);
        config.removeRow(QStringLiteral("B9000000-0000-4000-8000-000000000002"));
        config.dropWriteMark("AKTSTART");
    }
    stored = fileBytes(path);
    result = host.start("config", {"answer OK", "close"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    sv::test::expectBoxes(host,
                          {plainBox("Multiple-step operation generated errors. Check each status value. "
                                    "(field 'AKTSTART' cannot be written)")});
    EXPECT_EQ(host.events("closed").size(), 1u);
    EXPECT_EQ(fileBytes(path), stored);
}

TEST(MessageBoxes, FailedHostInitialisationShowsItsMessageBeforeAnythingElse) {
    HostFixture host;
    // The host is attached to before the word is looked at: the configurator does not open.
    host.set({"inittype=0"});
    const HostTrace before = traceOf(host);
    const auto result = startWithFreshCallLog(host, "config", {"answer OK"});
    EXPECT_EQ(result.status, 4);
    EXPECT_TRUE(result.err.contains("sondervik: the host failed to initialise")) << result.err.toStdString();
    sv::test::expectBoxes(
        host, {okBox(kApplicationTitle, "Initialising of Velquin failed.\r\nProgram will terminate.",
                     QStringLiteral("information"))});
    EXPECT_TRUE(host.events("window").empty());
    const auto calls = host.calls();
    EXPECT_EQ(callsOf(calls, "Quorvant_Application"), 0);
    EXPECT_EQ(callsOf(calls, "GetConnectString"), 0);
    expectUntouched(host, before);
}
