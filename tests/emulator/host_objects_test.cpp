// The emulated host's objects as the add-in reaches them: activation, every member, the pane's
// record set, UpdateRecordSet and the command "OK".
#include "emulator/host_schema.h"
#include "emulator/session.h"
#include "emulator_test_support.h"
#include "platform/automation/recordset_object.h"
#include "platform/variant.h"

#include <gtest/gtest.h>

using namespace sv;
using namespace sv::emutest;
using automation::Value;
namespace demo = sv::emu::demo;

namespace {

using HostObjects = DemoHost;

void changeSession(const QString& dir, const std::function<void(emu::Session&)>& change) {
    const emu::HostFolder folder(dir);
    emu::Session session = emu::readSession(folder.sessionPath(), folder.path());
    change(session);
    emu::writeSession(folder.sessionPath(), session);
}

QVariant activityField(const QString& dir, const char* dsn, const QString& field) {
    return hostValue(dir, "SELECT " + field + " FROM HostActivity WHERE DSN = '" + dsn + "'");
}

Value field(const Value& rs, const QString& name) {
    return rs.get("Fields", {name}).get("Value");
}

TEST(HostActivation, NeedsARunningHost) {
    automation::Registry none;
    emu::registerEmulatedHost(none, QProcessEnvironment());
    EXPECT_EQ(errorNumber([&] { none.create("Velquin.Application"); }), err::kCantCreateObject);

    QTemporaryDir empty;
    automation::Registry noHost;
    emu::registerEmulatedHost(noHost, hostEnvironment(empty.path()));
    EXPECT_EQ(errorNumber([&] { noHost.create("velquin.application"); }), err::kCantCreateObject);

    // The utility library is no part of the host and works without one.
    EXPECT_EQ(noHost.create("tamberlib10.cUtil").call("k", {nullVariant()}).toText(), "");
    EXPECT_EQ(noHost.create("tamberlib10.cUtil").call("k", {42}).toText(), "42");
    EXPECT_TRUE(noHost.create("tamberlib10.cdbutil").isObject());
    EXPECT_FALSE(files::fileExists(emu::HostFolder(empty.path()).callLogPath()));
}

TEST_F(HostObjects, RootMembers) {
    const Value host = root();
    EXPECT_TRUE(host.call("Quorvant_InitApplication").variant().isNull());
    EXPECT_EQ(host.get("Quorvant_InitType").variant().toInt(), 1);
    EXPECT_EQ(host.get("Quorvant_Folder").toText(), emu::HostFolder(dir).path());
    EXPECT_TRUE(host.get("Quorvant_Application").isObject());
    EXPECT_EQ(errorNumber([&] { host.get("Quorvant_Version"); }), err::kNotSupported);
    EXPECT_EQ(errorNumber([&] { host.put("Quorvant_InitType", 1); }), err::kNotSupported);

    changeSession(dir, [](emu::Session& s) {
        s.initType = 0;
        s.hostFolder = "C:\\Quorvant\\";
    });
    EXPECT_EQ(host.get("Quorvant_InitType").variant().toInt(), 0);  // the session is read anew
    EXPECT_EQ(host.get("Quorvant_Folder").toText(), "C:\\Quorvant\\");
    changeSession(dir, [](emu::Session& s) { s.initType = QVariant(); });
    EXPECT_TRUE(isEmptyValue(host.get("Quorvant_InitType").variant()));

    const Value fs = host.get("oFilesystem");
    EXPECT_TRUE(fs.call("FileExists", {dir + "\\sql\\SQL.INI"}).variant().toBool());
    EXPECT_FALSE(
        fs.call("FileExists", {dir + "\\Addin\\_Sondervik\\SondervikConfig.xml"}).variant().toBool());
    EXPECT_FALSE(fs.call("FileExists", {dir + "\\sql"}).variant().toBool());  // a folder is no file

    QVariantList args{QString(demo::kActOffer)};
    host.call("AKT_ShowDSN", args);
    EXPECT_EQ(args[0].toString(), demo::kActOffer);
    const emu::HostFolder folder(dir);
    EXPECT_EQ(emu::readSession(folder.sessionPath(), folder.path()).shown, demo::kActOffer);
}

TEST_F(HostObjects, ApplicationMembers) {
    const Value hostApp = app();
    EXPECT_EQ(hostApp.get("ActivePaneName").toText(), "F_AKT");
    EXPECT_EQ(hostApp.get("Folder").toText(), emu::HostFolder(dir).path());
    EXPECT_EQ(errorNumber([&] { hostApp.get("Panes", {"F_ADR"}); }), err::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumber([&] { hostApp.get("Commands").call("Execute", {"Save"}); }), err::kBadArgument);
    EXPECT_EQ(errorNumber([&] { hostApp.call("UpdateRecordSet", {"not a record set"}); }), err::kBadArgument);
    EXPECT_EQ(errorNumber([&] { hostApp.call("Refresh"); }), err::kNotSupported);

    const Value user = hostApp.get("CurrentUserRs");
    EXPECT_EQ(field(user, "DSN").toText(), demo::kAdminUser);
    EXPECT_EQ(field(user, "NAME").toText(), "Administrator");

    const Value types = hostApp.call("GetRecordSet", {"Select Name from Aktivitätenarten where DSN = '" +
                                                      QString(demo::kTypeService) + "'"});
    EXPECT_EQ(types.get("RecordCount").variant().toInt(), 1);
    EXPECT_EQ(field(types, "Name").toText(), "Wartungsauftrag");
    EXPECT_EQ(hostApp.call("GetRecordSet", {"Select DSN from Aktivitätenarten"})
                  .get("RecordCount")
                  .variant()
                  .toInt(),
              4);
    EXPECT_EQ(errorNumber([&] { hostApp.call("GetRecordSet", {"Select Nope from Aktivitätenarten"}); }),
              err::kDatabase);
}

TEST_F(HostObjects, PaneShowsTheSelectedActivity) {
    const Value hostApp = app();
    const Value pane = hostApp.get("Panes", {"F_AKT"});
    EXPECT_EQ(pane.get("Dsn").toText(), demo::kActComplaint);
    const Value rs = pane.get("Rs");
    EXPECT_EQ(rs.get("RecordCount").variant().toInt(), 1);
    EXPECT_EQ(field(rs, "ART_DSN").toText(), demo::kTypeComplaint);
    EXPECT_EQ(field(rs, "OBJ_DSN").toText(), QString(demo::kObjectComplaint));
    EXPECT_TRUE(isNullValue(field(rs, "PROJEKTE_DSN").variant()));
    EXPECT_TRUE(field(rs, "Notiz").toText().startsWith("Kunde meldet beschädigte Ware.\r\n"));

    // The selection belongs to the active pane only.
    EXPECT_EQ(hostApp.get("Panes", {"F_VOR"}).get("Dsn").toText(), "");
    EXPECT_TRUE(hostApp.get("Panes", {"F_VOR"}).get("Rs").get("EOF").variant().toBool());
    changeSession(dir, [](emu::Session& s) {
        s.pane = "F_VOR";
        s.selected = demo::kActService;
    });
    EXPECT_EQ(pane.get("Dsn").toText(), "");
    EXPECT_EQ(hostApp.get("Panes", {"F_VOR"}).get("Dsn").toText(), demo::kActService);

    changeSession(dir, [](emu::Session& s) { s.selected.clear(); });
    EXPECT_EQ(hostApp.get("Panes", {"F_VOR"}).get("Dsn").toText(), "");
    EXPECT_EQ(errorNumber([&] { field(hostApp.get("Panes", {"F_VOR"}).get("Rs"), "Notiz"); }),
              err::kNoCurrentRecord);
}

TEST_F(HostObjects, UpdateRecordSetWritesOnlyChangedFields) {
    const Value hostApp = app();
    const Value rs = hostApp.get("Panes", {"F_AKT"}).get("Rs");
    // Changed by the host meanwhile: an update that does not touch the field must keep it.
    hostQuery(dir,
              QString("UPDATE HostActivity SET Betreff = 'Neu' WHERE DSN = '%1'").arg(demo::kActComplaint));

    const QString note = "08.12.2026 14:05:09: Der Prozess wurde von 'O'Brien' gestartet. Größe \"x\"; --";
    rs.get("Fields", {"Notiz"}).put("Value", note);
    rs.get("Fields", {"AD_DSN"}).put("Value", nullVariant());
    QVariantList args{rs.variant()};
    hostApp.call("UpdateRecordSet", args);
    EXPECT_EQ(automation::toObject(args[0]), automation::toObject(rs.variant()));  // the same one comes back

    EXPECT_EQ(activityField(dir, demo::kActComplaint, "Notiz").toString(), note);
    EXPECT_TRUE(isNullValue(activityField(dir, demo::kActComplaint, "AD_DSN")));
    EXPECT_EQ(activityField(dir, demo::kActComplaint, "Betreff").toString(), "Neu");
    EXPECT_EQ(activityField(dir, demo::kActComplaint, "OBJ_DSN").toString(), QString(demo::kObjectComplaint));
    EXPECT_EQ(
        hostValue(dir, "SELECT COUNT(*) FROM HostActivity WHERE Notiz = 'Bereits in Bearbeitung.'").toInt(),
        1);

    // After the write, what was written is the record set's original: a second update with
    // nothing changed writes nothing, even over a change the host made in between.
    hostQuery(
        dir, QString("UPDATE HostActivity SET Notiz = 'vom Host' WHERE DSN = '%1'").arg(demo::kActComplaint));
    hostApp.call("UpdateRecordSet", {rs.variant()});
    EXPECT_EQ(activityField(dir, demo::kActComplaint, "Notiz").toString(), "vom Host");
}

TEST_F(HostObjects, UpdateRecordSetFailsLoudly) {
    const Value hostApp = app();
    const Value rs = hostApp.get("Panes", {"F_AKT"}).get("Rs");
    rs.get("Fields", {"Notiz"}).put("Value", QStringLiteral("neu"));
    hostQuery(dir, QString("DELETE FROM HostActivity WHERE DSN = '%1'").arg(demo::kActComplaint));
    EXPECT_EQ(errorNumber([&] { hostApp.call("UpdateRecordSet", {rs.variant()}); }), err::kDatabase);

    // A field the host's table does not have can't be written.
    const Value joined = hostApp.call(
        "GetRecordSet",
        {"Select DSN, Notiz, 'x' as Extra from HostActivity where DSN = '" + QString(demo::kActOffer) + "'"});
    joined.get("Fields", {"Extra"}).put("Value", QStringLiteral("y"));
    EXPECT_EQ(errorNumber([&] { hostApp.call("UpdateRecordSet", {joined.variant()}); }),
              err::kFieldNotWritable);
}

TEST_F(HostObjects, UpdateRecordSetOfTheAddinsOwnComparesWithTheStoredRow) {
    auto own = std::make_shared<data::Recordset>();
    own->open(
        hostQuery(dir, QString("SELECT DSN, Notiz FROM HostActivity WHERE DSN = '%1'").arg(demo::kActOffer)));
    own->setValue("Notiz", QStringLiteral("Ä"));
    const QVariant rs = automation::toVariant(automation::makeRecordsetObject(own));
    app().call("UpdateRecordSet", {rs});
    EXPECT_EQ(activityField(dir, demo::kActOffer, "Notiz").toString(), "Ä");

    hostQuery(dir, QString("DELETE FROM HostActivity WHERE DSN = '%1'").arg(demo::kActOffer));
    EXPECT_EQ(errorNumber([&] { app().call("UpdateRecordSet", {rs}); }), err::kDatabase);
}

TEST_F(HostObjects, CommandOkGivesAnUntypedActivityTheSessionsType) {
    const Value hostApp = app();
    changeSession(dir, [](emu::Session& s) { s.selected = demo::kActUntyped; });
    hostApp.get("Commands").call("Execute", {"OK"});
    EXPECT_TRUE(isNullValue(activityField(dir, demo::kActUntyped, "ART_DSN")));  // no oktype: nothing changes

    changeSession(dir, [](emu::Session& s) { s.okType = demo::kTypeCall; });
    const Value pane = hostApp.get("Panes", {"F_AKT"});
    EXPECT_TRUE(isNullValue(field(pane.get("Rs"), "ART_DSN").variant()));
    hostApp.get("Commands").call("Execute", {"OK"});
    EXPECT_EQ(field(pane.get("Rs"), "ART_DSN").toText(), demo::kTypeCall);  // the pane reads anew

    changeSession(dir, [](emu::Session& s) { s.selected = demo::kActOffer; });
    hostApp.get("Commands").call("Execute", {"OK"});
    EXPECT_EQ(activityField(dir, demo::kActOffer, "ART_DSN").toString(), demo::kTypeOffer);  // a type stays
    EXPECT_EQ(
        hostValue(dir, QString("SELECT COUNT(*) FROM HostActivity WHERE ART_DSN = '%1'").arg(demo::kTypeCall))
            .toInt(),
        2);  // the untyped activity and the call that had this type already
}

}  // namespace
