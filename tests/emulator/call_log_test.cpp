// The call log: one JSON line per automation call, written before the call is passed on, with
// readable names for the objects the host hands out.
#include "emulator/host_schema.h"
#include "emulator/json_text.h"
#include "emulator_test_support.h"
#include "platform/variant.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace sv;
using namespace sv::emutest;
using automation::Value;
namespace demo = sv::emu::demo;

namespace {

using CallLogTest = DemoHost;

QString summary(const QJsonObject& line) {
    return line["object"].toString() + ' ' + line["kind"].toString() + ' ' + line["member"].toString() + ' ' +
           QString::fromUtf8(QJsonDocument(line["args"].toArray()).toJson(QJsonDocument::Compact));
}

std::vector<QString> summaries(const QString& dir) {
    std::vector<QString> result;
    for (const QJsonObject& line : callLogLines(dir))
        result.push_back(summary(line));
    return result;
}

TEST(JsonLine, KeepsTheOrderGivenAndQtsQuotingWhateverTheTextsHold) {
    const emu::JsonFields fields{{"z", "say \"a,b\" [c]{d}\\"},
                                 {"args", QJsonArray{1, "x,y", QJsonObject{{"k", "]"}}, QJsonArray{}}},
                                 {"none", QJsonValue::Null},
                                 {"n", 2.5},
                                 {"t", true},
                                 {"text", "Zeile\r\n\u00e4\u0001"}};
    EXPECT_EQ(QString::fromUtf8(emu::jsonLine(fields)),
              QStringLiteral(R"({"z":"say \"a,b\" [c]{d}\\","args":[1,"x,y",{"k":"]"},[]],)"
                             R"("none":null,"n":2.5,"t":true,"text":"Zeile\r\nä\u0001"})"));
}

TEST_F(CallLogTest, EveryCallOfTheAddinIsLoggedInOrder) {
    const Value host = root();
    host.call("Quorvant_InitApplication");
    const Value hostApp = host.get("Quorvant_Application");
    const Value rs = hostApp.get("Panes", {"F_AKT"}).get("Rs");
    const Value note = rs.get("Fields", {"Notiz"});
    const QString text =
        registry.create("tamberlib10.cUtil").call("k", {note.get("Value").variant()}).toText();
    note.put("Value", "Neu: " + text);
    hostApp.get("Commands").call("Execute", {"OK"});
    hostApp.call("UpdateRecordSet", {rs.variant()});  // reaches the host unwrapped
    host.get("oFilesystem").call("FileExists", {"C:\\x.xml"});
    hostApp.get("CurrentUserRs").get("Fields", {"NAME"}).get("Value");

    const std::vector<QString> expected = {
        R"(HostRoot call Quorvant_InitApplication [])",
        R"(HostRoot get Quorvant_Application [])",
        R"(HostApp get Panes ["F_AKT"])",
        R"(Pane(F_AKT) get Rs [])",
        R"(Pane(F_AKT).Rs get Fields ["Notiz"])",
        R"(Pane(F_AKT).Rs.Fields(Notiz) get Value [])",
        R"(UtilObj call k ["Kunde meldet beschädigte Ware.\r\nFotos folgen per E-Mail."])",
        R"(Pane(F_AKT).Rs.Fields(Notiz) put Value [])",
        R"(HostApp get Commands [])",
        R"(Commands call Execute ["OK"])",
        R"(HostApp call UpdateRecordSet [{"object":"Pane(F_AKT).Rs"}])",
        R"(HostRoot get oFilesystem [])",
        R"(oFilesystem call FileExists ["C:\\x.xml"])",
        R"(HostApp get CurrentUserRs [])",
        R"(CurrentUserRs get Fields ["NAME"])",
        R"(CurrentUserRs.Fields(NAME) get Value [])",
    };
    EXPECT_EQ(summaries(dir), expected);  // read while the objects live: each line is on disk at once
    const std::vector<QJsonObject> lines = callLogLines(dir);
    EXPECT_TRUE(lines.at(7)["value"].toString().startsWith("Neu: Kunde meldet"));
    EXPECT_TRUE(
        hostValue(dir, QString("SELECT Notiz FROM HostActivity WHERE DSN = '%1'").arg(demo::kActComplaint))
            .toString()
            .startsWith("Neu: "));
}

TEST_F(CallLogTest, ArgumentsKeepTheirKind) {
    const Value util = registry.create("tamberlib10.cUtil");
    util.call("k", {nullVariant()});
    util.call("k", {QVariant()});
    const QString ini = dir + "\\sql\\SQL.INI";
    registry.create("tamberlib10.cdbutil").call("GetConnectString", {ini, 17});
    QVariantList byReference{QString(demo::kActOffer)};
    root().call("AKT_ShowDSN", byReference);
    // A call that fails is logged all the same: the line is written before the call is made.
    EXPECT_EQ(errorNumber([&] { app().get("Panes", {"F_ADR"}); }), err::kSubscriptOutOfRange);

    const std::vector<QJsonObject> lines = callLogLines(dir);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(summary(lines[0]), "UtilObj call k [null]");
    EXPECT_EQ(summary(lines[1]), R"(UtilObj call k [{"empty":true}])");
    EXPECT_EQ(lines[2]["object"].toString(), "DbUtil");
    EXPECT_EQ(lines[2]["args"].toArray(), (QJsonArray{ini, 17}));
    EXPECT_EQ(summary(lines[3]), QString("HostRoot call AKT_ShowDSN [\"%1\"]").arg(demo::kActOffer));
    EXPECT_EQ(summary(lines[4]), "HostRoot get Quorvant_Application []");
    EXPECT_EQ(summary(lines[5]), R"(HostApp get Panes ["F_ADR"])");
}

}  // namespace
