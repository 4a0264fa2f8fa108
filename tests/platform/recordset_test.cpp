// Cursor, filter, edit and save behaviour of the record set over an in-memory store.
#include "platform/data/recordset.h"
#include "platform/data/persist_xml.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/variant.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace sv;
using namespace sv::data;

namespace {

FieldDef textField(const QString& name) {
    FieldDef f;
    f.name = name;
    f.type = FieldType::Text;
    return f;
}

// The nine-field configuration layout with a few rows (DSN, OBJ, ..., AKTART_DSN).
Store configStore(const std::vector<std::vector<QString>>& rows) {
    Store s;
    for (const char* n :
         {"DSN", "OBJ", "AD", "ADB", "PRJ", "AKTSTART", "AKTERLEDIGT", "AKTUPDATE", "AKTART_DSN"})
        s.fields.push_back(textField(QString::fromLatin1(n)));
    for (const auto& values : rows) {
        Row r;
        for (const QString& v : values)
            r.push_back(v == u"<null>" ? nullVariant() : QVariant(v));
        s.rows.push_back(r);
    }
    return s;
}

long expectError(const std::function<void()>& action) {
    try {
        action();
    } catch (const PlatformError& e) {
        return e.number();
    }
    ADD_FAILURE() << "no error raised";
    return 0;
}

std::vector<QString> dsnsInView(Recordset& rs) {
    std::vector<QString> seen;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        seen.push_back(toText(rs.value("DSN")));
    return seen;
}

}  // namespace

TEST(Recordset, CursorKeepsOrderAndCountsExactly) {
    Recordset rs;
    EXPECT_EQ(rs.state(), ado::kStateClosed);
    rs.open(configStore({{"B", "0", "0", "0", "0", "0", "0", "0", "T1"},
                         {"A", "1", "0", "0", "0", "0", "0", "0", "T1"},
                         {"C", "0", "0", "0", "0", "0", "0", "0", "T2"}}));
    EXPECT_EQ(rs.state(), ado::kStateOpen);
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(dsnsInView(rs), (std::vector<QString>{"B", "A", "C"}));
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(expectError([&] { rs.moveNext(); }), err::kNoCurrentRecord);
    EXPECT_EQ(expectError([&] { rs.value("DSN"); }), err::kNoCurrentRecord);
    rs.moveFirst();
    rs.move(2);
    EXPECT_EQ(toText(rs.value("dsn")), "C");  // field names ignore letter case
    rs.move(-2);
    EXPECT_EQ(toText(rs.value("DSN")), "B");
    EXPECT_EQ(expectError([&] { rs.move(-5); }), err::kNoCurrentRecord);

    EXPECT_EQ(expectError([&] { rs.open(Store()); }), err::kObjectOpen);
    rs.close();
    EXPECT_EQ(rs.state(), ado::kStateClosed);
    EXPECT_EQ(expectError([&] { rs.recordCount(); }), err::kObjectClosed);
    EXPECT_EQ(expectError([&] { rs.close(); }), err::kObjectClosed);
    rs.open(configStore({}));  // the same object opens again
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
}

TEST(Recordset, UnknownFieldIsItemNotFoundAndToldApartFromReadOnly) {
    Recordset rs;
    Store s = configStore({{"A", "0", "0", "0", "0", "0", "0", "0", "T"}});
    s.fromFile = true;
    s.fields[0].baseColumn = "DSN";   // a base column: writable
    s.fields[1].writeUnknown = true;  // OBJ marked
    rs.open(std::move(s));            // AD .. AKTART_DSN: computed, unmarked
    EXPECT_EQ(expectError([&] { rs.value("NOPE"); }), err::kItemNotFound);
    EXPECT_EQ(expectError([&] { rs.setValue("AKTSTART2", 1); }), err::kItemNotFound);
    EXPECT_EQ(expectError([&] { rs.setValue("AD", 1); }), err::kFieldNotWritable);
    rs.setValue("OBJ", 1);
    rs.setValue("DSN", "Z");
    EXPECT_EQ(rs.value("OBJ"), QVariant("1"));  // a number in a text field keeps its text
    EXPECT_EQ(rs.value("DSN"), QVariant("Z"));
}

TEST(Recordset, FilterOnTextAndNumberWithAnd) {
    Recordset rs;
    rs.open(configStore({{"P1", "0", "0", "0", "0", "0", "0", "1", "T1"},
                         {"P2", "0", "0", "0", "0", "1", "0", "1", "T1"},
                         {"P3", "0", "0", "0", "0", "1", "0", "0", "t1"},
                         {"O'Neil", "0", "0", "0", "0", "1", "0", "0", "<null>"},
                         {"P2", "1", "0", "0", "0", "0", "0", "0", "T2"}}));
    rs.setFilter("AKTART_DSN = 'T1' and AKTUPDATE = 1");
    EXPECT_EQ(dsnsInView(rs), (std::vector<QString>{"P1", "P2"}));
    rs.setFilter("AKTART_DSN = 'T1' AND AKTSTART = 1");
    EXPECT_EQ(dsnsInView(rs), (std::vector<QString>{"P2", "P3"}));  // texts compare without case
    rs.setFilter("DSN = 'P2'");
    EXPECT_EQ(rs.recordCount(), 2);
    rs.setFilter("DSN='O''Neil'");
    EXPECT_EQ(dsnsInView(rs), (std::vector<QString>{"O'Neil"}));
    rs.setFilter("DSN = 'x'' OR ''1''=''1'");  // a quoted value can't widen the filter
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_TRUE(rs.eof());
    rs.setFilter("AKTSTART = 1 and AKTUPDATE = 0");  // numeric criteria only: a plain scan
    EXPECT_EQ(dsnsInView(rs), (std::vector<QString>{"P3", "O'Neil"}));
    // Field names ignore letter case, through the index and in a plain scan alike.
    rs.setFilter("dsn = 'P2'");
    EXPECT_EQ(rs.recordCount(), 2);
    rs.setFilter("Aktart_Dsn = 'T1' and aktstart = 1");
    EXPECT_EQ(dsnsInView(rs), (std::vector<QString>{"P2", "P3"}));
    rs.setFilter("aktstart = 1");
    EXPECT_EQ(dsnsInView(rs), (std::vector<QString>{"P2", "P3", "O'Neil"}));
    rs.setFilter("");
    EXPECT_EQ(rs.recordCount(), 5);
}

// Cells read from a file stay the file's text until used; a filter compares them unread, by a scan
// the first time and through the index after, and must find what it finds among values. Letter case
// counts for no letter of the alphabet nor umlaut, and for nothing else: '@' and '[' lie beside 'A'
// and 'Z', as '`' and '{' beside their small letters.
TEST(Recordset, CellsReadFromAFileFilterAsValuesDoByScanAndByIndex) {
    const QString capitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const QString small = "abcdefghijklmnopqrstuvwxyz";
    const Store made = configStore({{"P1", "0", "0", "0", "0", "1", "0", "0", "T1"},
                                    {"ÄÖÜ", "0", "0", "0", "0", "1", "0", "0", "t1"},
                                    {"äöü", "0", "0", "0", "0", "0", "0", "0", "T1"},
                                    {"Straße", "0", "0", "0", "0", "1", "0", "0", ""},
                                    {"", "0", "0", "0", "0", "1", "0", "0", "T2"},
                                    {"O'Neil", "0", "0", "0", "0", "0", "0", "0", "<null>"},
                                    {"p1", "0", "0", "0", "0", "1", "0", "0", "T2"},
                                    {capitals, "0", "0", "0", "0", "0", "0", "0", "T3"},
                                    {small, "0", "0", "0", "0", "0", "0", "0", "T3"},
                                    {"@[", "0", "0", "0", "0", "0", "0", "0", "T3"},
                                    {"`[", "0", "0", "0", "0", "0", "0", "0", "T3"},
                                    {"@{", "0", "0", "0", "0", "0", "0", "0", "T3"}});
    QTemporaryDir dir;
    const QString path = dir.filePath("store.xml");
    files::writeFileAtomic(path, writePersistedXml(made));
    const std::vector<std::pair<QString, std::vector<QString>>> cases = {
        {"DSN = 'p1'", {"P1", "p1"}},
        {"DSN = '" + small + "'", {capitals, small}},
        {"DSN = '" + capitals + "'", {capitals, small}},
        {"DSN = '@['", {"@["}},
        {"DSN = 'äöü'", {"ÄÖÜ", "äöü"}},
        {"DSN = 'ÄÖÜ'", {"ÄÖÜ", "äöü"}},
        // ß has no capital of its own but ẞ, and is no "SS".
        {"DSN = 'STRAẞE'", {"Straße"}},
        {"DSN = 'STRAßE'", {"Straße"}},
        {"DSN = 'STRASSE'", {}},
        {"DSN = ''", {""}},
        {"DSN = 'O''Neil'", {"O'Neil"}},
        {"DSN = 'P1 '", {}},
        {"AKTART_DSN = 't1' and AKTSTART = 1", {"P1", "ÄÖÜ"}},
        {"AKTSTART = 1 and AKTART_DSN = 'T2'", {"", "p1"}},
        {"DSN = 'p1' and AKTART_DSN = 'T2'", {"p1"}},
    };
    for (const auto& [filter, expected] : cases) {
        Recordset scanned;
        scanned.open(path, QString());
        scanned.setFilter(filter);
        EXPECT_EQ(dsnsInView(scanned), expected) << filter.toStdString() << " (scan)";
        // Reading the view uses its cells: the index is built on a record set nobody has read.
        Recordset indexed;
        indexed.open(path, QString());
        indexed.setFilter(filter);
        indexed.setFilter(filter);
        EXPECT_EQ(dsnsInView(indexed), expected) << filter.toStdString() << " (index)";
        Recordset inMemory;
        inMemory.open(made);
        inMemory.setFilter(filter);
        inMemory.setFilter(filter);
        EXPECT_EQ(dsnsInView(inMemory), expected) << filter.toStdString() << " (values)";
    }
}

TEST(Recordset, FilterTextThatDoesNotParseFailsAndKeepsTheOldFilter) {
    Recordset rs;
    rs.open(configStore(
        {{"P1", "0", "0", "0", "0", "0", "0", "0", "T1"}, {"P2", "0", "0", "0", "0", "0", "0", "0", "T1"}}));
    rs.setFilter("DSN = 'P1'");
    for (const char* bad : {"DSN = 'P1", "DSN 'P1'", "DSN = 'P1' or DSN = 'P2'", "DSN = 'P1' and", "= 'P1'",
                            "DSN = abc", "DSN = 'P1' andAKTSTART = 1", "DSN = 'P1' 'x'"}) {
        EXPECT_EQ(expectError([&] { rs.setFilter(QString::fromLatin1(bad)); }), err::kBadArgument) << bad;
        EXPECT_EQ(rs.filter(), "DSN = 'P1'");
        EXPECT_EQ(rs.recordCount(), 1) << bad;
    }
    EXPECT_EQ(expectError([&] { rs.setFilter("NOFIELD = 1"); }), err::kItemNotFound);
    rs.setFilter("[DSN] = 'P2'");
    EXPECT_EQ(dsnsInView(rs), (std::vector<QString>{"P2"}));
}

TEST(Recordset, EditsKeepTheFilterIndexTrue) {
    Recordset rs;
    rs.open(configStore({{"P1", "0", "0", "0", "0", "0", "0", "0", "T1"}}));
    rs.setFilter("DSN = 'P1'");  // builds the index on DSN
    rs.setValue("DSN", "P9");
    rs.setFilter("DSN = 'P1'");
    EXPECT_EQ(rs.recordCount(), 0);
    rs.setFilter("DSN = 'P9'");
    EXPECT_EQ(rs.recordCount(), 1);
    // Back to the old value, then the same value again: still one match.
    rs.setValue("DSN", "P1");
    rs.setValue("DSN", "P1");
    rs.setFilter("DSN = 'P1'");
    EXPECT_EQ(rs.recordCount(), 1);
    rs.setFilter("DSN = 'P9'");
    EXPECT_EQ(rs.recordCount(), 0);

    rs.setFilter("DSN = 'NEW'");
    EXPECT_EQ(rs.recordCount(), 0);
    rs.addNew();  // a new row joins the filtered view and becomes current
    EXPECT_EQ(rs.recordCount(), 1);
    EXPECT_TRUE(isNullValue(rs.value("OBJ")));
    rs.setValue("DSN", "NEW");
    rs.setValue("OBJ", 0);
    rs.update();
    rs.setFilter("");
    EXPECT_EQ(rs.recordCount(), 2);
    rs.setFilter("DSN = 'new'");
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.value("OBJ"), QVariant("0"));
    rs.setValue("DSN", sv::nullVariant());  // Null leaves the index and never matches
    rs.setFilter("DSN = 'NEW'");
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST(Recordset, FilterOnAGuidFieldComparesGuidsWhateverTheirBracesAndCase) {
    const QString a = "B9000000-0000-4000-8000-00000000000A";
    const QString b = "b9000000-0000-4000-8000-00000000000b";
    Store store = configStore({{"{" + a + "}", "1", "0", "0", "0", "0", "0", "0", "{" + a + "}"},
                               {b, "0", "0", "0", "0", "0", "0", "0", "{" + a + "}"},
                               {"not-a-guid", "0", "0", "0", "0", "0", "0", "0", "<null>"}});
    store.fields[0].type = FieldType::Guid;
    Recordset rs;
    rs.open(store);
    rs.setFilter("DSN = '" + a.toLower() + "'");
    EXPECT_EQ(dsnsInView(rs), std::vector<QString>{"{" + a + "}"});
    rs.setFilter("DSN = '{" + b.toUpper() + "}' and OBJ = 0");
    EXPECT_EQ(dsnsInView(rs), std::vector<QString>{b});
    rs.setFilter("DSN = 'NOT-A-GUID'");
    EXPECT_EQ(rs.recordCount(), 1);
    // A half-braced text is no GUID.
    rs.setFilter("DSN = '{" + a + "'");
    EXPECT_EQ(rs.recordCount(), 0);
    // A text field keeps comparing texts: the braces count there.
    rs.setFilter("AKTART_DSN = '" + a + "'");
    EXPECT_EQ(rs.recordCount(), 0);

    // An edit moves the row in the GUID field's index under its GUID.
    rs.setFilter("DSN = '" + b + "'");
    rs.setValue("DSN", a.toLower());
    rs.setFilter("DSN = '{" + a + "}'");
    EXPECT_EQ(rs.recordCount(), 2);
    rs.setFilter("DSN = '{" + b + "}'");
    EXPECT_EQ(rs.recordCount(), 0);

    // Read from a file, where each GUID is spelled as it was given, by a scan and through the index.
    store.rows.pop_back();  // a GUID field of a file holds GUIDs only
    QTemporaryDir dir;
    files::writeFileAtomic(dir.filePath("guids.xml"), writePersistedXml(store));
    for (const QString& filter : {"DSN = '{" + b.toUpper() + "}'", "DSN = '" + a.toLower() + "'"}) {
        Recordset fromFile;
        fromFile.open(dir.filePath("guids.xml"), QString());
        fromFile.setFilter(filter);
        EXPECT_EQ(fromFile.recordCount(), 1) << filter.toStdString() << " (scan)";
        fromFile.setFilter(filter);
        EXPECT_EQ(fromFile.recordCount(), 1) << filter.toStdString() << " (index)";
    }
}

TEST(Recordset, SaveWritesEveryRowWhateverTheFilterAndReopens) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/c.xml";
    Recordset rs;
    rs.open(configStore({{"P1", "1", "0", "0", "0", "0", "0", "0", "T1"},
                         {"P2", "0", "0", "0", "0", "0", "0", "0", "<null>"}}));
    rs.setFilter("DSN = 'P2'");
    rs.save(path, ado::kPersistXml);

    Recordset back;
    back.open(path, QString::fromLatin1(ado::kPersistProvider), ado::kOpenKeyset, ado::kLockBatchOptimistic,
              ado::kCmdFile);
    EXPECT_EQ(back.recordCount(), 2);
    EXPECT_EQ(back.value("OBJ"), QVariant("1"));
    back.moveNext();
    EXPECT_TRUE(isNullValue(back.value("AKTART_DSN")));
    back.close();

    Recordset plain;  // the path alone, every other argument left out
    plain.open(path, QString());
    EXPECT_EQ(plain.recordCount(), 2);
}

TEST(Recordset, FailedSaveLeavesTheOldFileByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/c.xml";
    Recordset rs;
    rs.open(configStore({{"P1", "1", "0", "0", "0", "0", "0", "0", "T1"}}));
    rs.save(path);
    const QByteArray before = files::readFile(path);

    QFile::setPermissions(path, QFileDevice::ReadOwner);
    rs.setValue("OBJ", 0);
    EXPECT_EQ(expectError([&] { rs.save(path); }), err::kPermissionDenied);
    EXPECT_EQ(files::readFile(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"c.xml"});  // nothing left beside

    EXPECT_EQ(expectError([&] { rs.save(dir.path() + "/missing/c.xml"); }), err::kPathNotFound);
    EXPECT_EQ(expectError([&] { rs.save(dir.path()); }), err::kPermissionDenied);  // a folder in the way
    EXPECT_EQ(expectError([&] { rs.save(path, 0); }), err::kBadArgument);
}
