// A record set over automation: fields by name, the cursor members, and taking the record set
// back from a value.
#include "platform/automation/recordset_object.h"
#include "emulator_test_support.h"
#include "platform/variant.h"

#include <gtest/gtest.h>

using namespace sv;
using namespace sv::automation;
using sv::emutest::errorNumber;

namespace {

std::shared_ptr<data::Recordset> twoActivities() {
    data::Store store;
    for (const char* name : {"DSN", "Notiz"}) {
        data::FieldDef field;
        field.name = QString::fromLatin1(name);
        store.fields.push_back(field);
    }
    store.rows = {{QStringLiteral("A1"), QStringLiteral("erste")}, {QStringLiteral("A2"), nullVariant()}};
    auto recordset = std::make_shared<data::Recordset>();
    recordset->open(std::move(store));
    return recordset;
}

TEST(RecordsetObject, FieldsReadAndWriteTheCurrentRow) {
    const auto recordset = twoActivities();
    const Value rs(makeRecordsetObject(recordset));
    const Value note = rs.get("Fields", {"notiz"});
    EXPECT_EQ(note.get("Name").toText(), "Notiz");  // the name as the record set defines it
    EXPECT_EQ(note.get("Value").toText(), "erste");

    rs.call("MoveNext");
    EXPECT_TRUE(isNullValue(note.get("Value").variant()));  // a field object follows the cursor
    note.put("Value", QStringLiteral("Grüße, 'zitiert'"));
    EXPECT_EQ(recordset->value("Notiz").toString(), "Grüße, 'zitiert'");
    rs.get("Fields", {"Notiz"}).put("Value", nullVariant());
    EXPECT_TRUE(isNullValue(recordset->value("Notiz")));
}

TEST(RecordsetObject, CursorMembers) {
    const Value rs(makeRecordsetObject(twoActivities()));
    EXPECT_EQ(rs.get("RecordCount").variant().toInt(), 2);
    EXPECT_FALSE(rs.get("EOF").variant().toBool());
    EXPECT_FALSE(rs.get("BOF").variant().toBool());
    rs.call("MoveNext");
    rs.call("MoveNext");
    EXPECT_TRUE(rs.get("EOF").variant().toBool());
    rs.call("MoveFirst");
    EXPECT_EQ(rs.get("Fields", {"DSN"}).get("Value").toText(), "A1");
    EXPECT_EQ(rs.get("State").variant().toInt(), 1);
    rs.call("Close");
    EXPECT_EQ(rs.get("State").variant().toInt(), 0);
}

TEST(RecordsetObject, ErrorsOfThePlatform) {
    const Value rs(makeRecordsetObject(twoActivities()));
    EXPECT_EQ(errorNumber([&] { rs.get("Fields", {"Betreff"}); }), err::kItemNotFound);
    EXPECT_EQ(errorNumber([&] { rs.get("Fieldz", {"DSN"}); }), err::kNotSupported);
    EXPECT_EQ(errorNumber([&] { rs.put("RecordCount", 5); }), err::kNotSupported);

    rs.call("MoveNext");
    rs.call("MoveNext");
    const Value dsn = rs.get("Fields", {"DSN"});  // a field may be taken at EOF, not read
    EXPECT_EQ(errorNumber([&] { dsn.get("Value"); }), err::kNoCurrentRecord);
    EXPECT_EQ(errorNumber([&] { rs.call("MoveNext"); }), err::kNoCurrentRecord);

    rs.call("Close");
    EXPECT_EQ(errorNumber([&] { rs.get("RecordCount"); }), err::kObjectClosed);
    EXPECT_EQ(errorNumber([&] { rs.get("Fields", {"DSN"}); }), err::kObjectClosed);
}

TEST(RecordsetObject, HostCodeTakesTheRecordsetBack) {
    const auto recordset = twoActivities();
    const QVariant value = toVariant(makeRecordsetObject(recordset));
    EXPECT_EQ(recordsetOf(value), recordset);
    EXPECT_EQ(recordsetOf(QStringLiteral("A1")), nullptr);
    EXPECT_EQ(recordsetOf(QVariant()), nullptr);
    EXPECT_EQ(recordsetOf(toVariant(std::make_shared<BasicObject>())), nullptr);
}

}  // namespace
