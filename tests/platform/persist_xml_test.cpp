// Reading and writing the XML persistence format: the sample files under data/persist, round
// trips, the shape of written files (checked with XPath) and the reports of bad input.
#include "platform/data/persist_xml.h"
#include "platform/error.h"
#include "platform/variant.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <QDateTime>
#include <QFile>
#include <QUuid>

#include <ctime>
#include <sstream>

using namespace sv;
using namespace sv::data;

// Readable texts in failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

QByteArray sample(const char* name) {
    QFile file(QStringLiteral(SV_TEST_DATA_DIR "/persist/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The error a failing action raises: its number and description (0 and "" when none is raised).
std::pair<long, QString> errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const PlatformError& e) {
        return {e.number(), e.description()};
    }
    return {0, {}};
}

std::vector<QString> fieldNames(const Store& store) {
    std::vector<QString> names;
    for (const FieldDef& f : store.fields)
        names.push_back(f.name);
    return names;
}

QString text(const Store& store, size_t row, const char* field) {
    return toText(store.rows.at(row).at(*store.fieldIndex(QLatin1String(field))));
}

bool sameAttributes(const std::vector<XmlAttribute>& a, const std::vector<XmlAttribute>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const XmlAttribute& x, const XmlAttribute& y) {
                          return x.ns == y.ns && x.local == y.local && x.value == y.value;
                      });
}

void expectSameContent(const Store& expected, const Store& actual) {
    ASSERT_EQ(fieldNames(expected), fieldNames(actual));
    for (size_t i = 0; i < expected.fields.size(); ++i) {
        const FieldDef& e = expected.fields[i];
        const FieldDef& a = actual.fields[i];
        EXPECT_EQ(e.type, a.type) << e.name.toStdString();
        EXPECT_EQ(e.maxLength, a.maxLength) << e.name.toStdString();
        EXPECT_EQ(e.nullable, a.nullable) << e.name.toStdString();
        EXPECT_EQ(e.writeUnknown, a.writeUnknown) << e.name.toStdString();
        EXPECT_EQ(e.baseTable, a.baseTable) << e.name.toStdString();
        EXPECT_EQ(e.baseColumn, a.baseColumn) << e.name.toStdString();
        if (!e.fromFile) continue;
        EXPECT_TRUE(sameAttributes(e.attributes, a.attributes)) << e.name.toStdString();
        EXPECT_TRUE(sameAttributes(e.datatypeAttributes, a.datatypeAttributes)) << e.name.toStdString();
    }
    EXPECT_EQ(expected.updatable, actual.updatable);
    EXPECT_EQ(expected.rows, actual.rows);
}

FieldDef field(const char* name, FieldType type, int maxLength = -1, bool nullable = true) {
    FieldDef f;
    f.name = QString::fromUtf8(name);
    f.type = type;
    f.maxLength = maxLength;
    f.nullable = nullable;
    return f;
}

// A store made in memory with every field type, a marked field, a base column and Nulls.
Store inMemoryStore() {
    Store s;
    s.fields = {field("Name", FieldType::Text, 40, false),
                field("Id", FieldType::Guid),
                field("Count", FieldType::Int),
                field("Big", FieldType::BigInt),
                field("Active", FieldType::Bool),
                field("Ratio", FieldType::Double),
                field("Amount", FieldType::Decimal),
                field("Stamp", FieldType::DateTime),
                field("Blob", FieldType::Binary, 8)};
    s.fields[0].writeUnknown = true;
    s.fields[1].baseTable = QStringLiteral("Things");
    s.fields[1].baseColumn = QStringLiteral("ThingId");
    s.rows.push_back({QStringLiteral("Müller & <Söhne> 'A' \"B\"\nZeile 2"),
                      QStringLiteral("{8AC68D3D-8A09-4403-8860-D0E494BBE894}"), -42, qint64(1) << 40, true,
                      0.1, QStringLiteral("-12.50"), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 7)),
                      QByteArray("\x00\xff\x10", 3)});
    s.rows.push_back({QString(), nullVariant(), nullVariant(), nullVariant(), false, nullVariant(),
                      nullVariant(), QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC), nullVariant()});
    return s;
}

pugi::xml_document parsed(const QByteArray& bytes) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_buffer(bytes.constData(), size_t(bytes.size())));
    return document;
}

std::string attributeNamesOf(const pugi::xml_node& node) {
    std::string names;
    for (const pugi::xml_attribute& a : node.attributes())
        names += std::string(a.name()) + ' ';
    return names;
}

}  // namespace

TEST(PersistXmlRead, NineFieldConfigurationWithEightMarkedFields) {
    const Store s = readPersistedXml(sample("config_nine_fields.xml"));
    EXPECT_TRUE(s.fromFile);
    EXPECT_TRUE(s.updatable);
    EXPECT_EQ(fieldNames(s), (std::vector<QString>{"DSN", "OBJ", "AD", "ADB", "PRJ", "AKTSTART",
                                                   "AKTERLEDIGT", "AKTUPDATE", "AKTART_DSN"}));
    for (const FieldDef& f : s.fields) {
        EXPECT_TRUE(f.fromFile);
        EXPECT_EQ(f.type, FieldType::Text);
        EXPECT_EQ(f.writeUnknown, f.name != u"DSN") << f.name.toStdString();
        EXPECT_TRUE(f.writable(true)) << f.name.toStdString();  // DSN through its base column
        EXPECT_EQ(f.nullable, f.name == u"AKTART_DSN") << f.name.toStdString();
    }
    EXPECT_EQ(s.fields[0].maxLength, 20);
    EXPECT_EQ(s.fields[1].maxLength, 1);
    EXPECT_EQ(s.fields[0].baseColumn, u"DSN");
    EXPECT_TRUE(s.fields[1].baseTable.isEmpty() && s.fields[1].baseColumn.isEmpty());
    EXPECT_EQ(s.fields[8].baseTable, u"BusinessProcess");
    EXPECT_EQ(s.fields[8].baseColumn, u"StartActivityType_DSN");

    ASSERT_EQ(s.rows.size(), 3u);
    EXPECT_EQ(text(s, 1, "DSN"), u"BP0000000002");
    EXPECT_EQ(s.rows[1][1], QVariant(QStringLiteral("1")));
    EXPECT_EQ(text(s, 1, "AKTUPDATE"), u"1");
    EXPECT_EQ(text(s, 0, "AKTART_DSN"), u"AA0000000007");
    EXPECT_TRUE(isNullValue(s.rows[2][8]));
}

TEST(PersistXmlRead, OlderFiveFieldLayoutAndUnmarkedComputedField) {
    const Store s = readPersistedXml(sample("config_five_fields.xml"));
    EXPECT_EQ(fieldNames(s), (std::vector<QString>{"DSN", "OBJ", "AD", "ADB", "PRJ"}));
    EXPECT_FALSE(s.fieldIndex(QStringLiteral("AKTSTART")).has_value());
    EXPECT_FALSE(s.fields[4].writeUnknown);
    EXPECT_FALSE(s.fields[4].writable(true));  // computed, unmarked: read-only in a store from a file
    EXPECT_TRUE(s.fields[4].writable(false));
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(text(s, 0, "PRJ"), u"1");
    EXPECT_EQ(text(s, 1, "AD"), u"1");
}

TEST(PersistXmlRead, OtherPrefixesAndDefaultNamespaceReadTheSame) {
    expectSameContent(readPersistedXml(sample("config_nine_fields.xml")),
                      readPersistedXml(sample("other_prefixes.xml")));
}

TEST(PersistXmlRead, PendingChangesGiveTheCurrentRows) {
    const Store s = readPersistedXml(sample("pending_changes.xml"));
    ASSERT_EQ(s.rows.size(), 4u);  // the deleted carrier 1 is gone
    EXPECT_EQ(s.rows[0], (Row{2, QStringLiteral("Nordkurier"), QStringLiteral("040 111 22")}));
    EXPECT_EQ(s.rows[1], (Row{3, QStringLiteral("Südfracht"), QStringLiteral("089 999 00")}));
    EXPECT_EQ(s.rows[2], (Row{21, QStringLiteral("Blitzbote"), QStringLiteral("030 555 66")}));
    EXPECT_EQ(s.rows[3][1], QVariant(QStringLiteral("Eilgut Ost")));
    EXPECT_TRUE(isNullValue(s.rows[3][2]));
}

TEST(PersistXmlRead, EveryDataTypeIsTyped) {
    const Store s = readPersistedXml(sample("typed_values.xml"));
    ASSERT_EQ(s.rows.size(), 3u);
    const Row& r = s.rows[0];
    EXPECT_EQ(r[0], QVariant(QStringLiteral("Alpha")));
    EXPECT_EQ(r[1], QVariant(QStringLiteral("{8AC68D3D-8A09-4403-8860-D0E494BBE894}")));
    EXPECT_EQ(r[2].typeId(), QMetaType::Int);
    EXPECT_EQ(r[2].toInt(), -7);
    EXPECT_EQ(r[5].toInt(), -2147483648);
    EXPECT_EQ(r[6].typeId(), QMetaType::LongLong);
    EXPECT_EQ(r[6].toLongLong(), 9007199254740993LL);  // not through a double
    EXPECT_EQ(r[8].toLongLong(), 4294967295LL);
    EXPECT_EQ(r[9], QVariant(QStringLiteral("18446744073709551615")));
    EXPECT_EQ(r[10], QVariant(QStringLiteral("-1234.50")));
    EXPECT_EQ(r[11].typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(r[13].toDouble(), -0.0025);
    EXPECT_EQ(r[14], QVariant(true));
    EXPECT_EQ(r[15].toDateTime(), QDateTime(QDate(2008, 1, 25), QTime(13, 4, 5)));
    EXPECT_EQ(r[16].toDateTime(), QDateTime(QDate(2008, 2, 13), QTime(17, 19, 0, 250), Qt::UTC));
    EXPECT_EQ(r[17].toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    EXPECT_EQ(r[18], QVariant(QByteArray::fromHex("00000000499602d2")));

    EXPECT_EQ(s.rows[1][0], QVariant(QString()));  // empty text is not Null
    EXPECT_EQ(s.rows[1][14], QVariant(false));
    EXPECT_TRUE(isNullValue(s.rows[1][1]));
    for (const QVariant& v : s.rows[2])
        EXPECT_TRUE(isNullValue(v));
}

TEST(PersistXmlRead, NonAsciiNamesAndEscapedText) {
    const Store s = readPersistedXml(sample("umlauts.xml"));
    EXPECT_EQ(s.fields[0].name, QStringLiteral("Straße"));
    EXPECT_EQ(s.fieldIndex(QStringLiteral("STRAßE")), 0);
    EXPECT_EQ(s.rows[0][0], QVariant(QStringLiteral("Königsallee 1")));
    EXPECT_EQ(s.rows[0][1],
              QVariant(QStringLiteral("Größe: 5 €, Maß & Gewicht <geprüft> 'ok' \"fertig\"\r\nZeile 2")));
    EXPECT_EQ(s.rows[1][0], QVariant(QStringLiteral("Ölmühlenweg 3")));

    QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + sample("empty_data.xml");
    latin1.replace("<rs:data/>",
                   "<rs:data><z:row DSN='Gr\xF6\xDF"
                   "e'/></rs:data>");
    EXPECT_EQ(readPersistedXml(latin1).rows.at(0).at(0), QVariant(QStringLiteral("Größe")));
}

TEST(PersistXmlRead, AliasesReferencedDefinitionsAndMissingTypes) {
    const Store s = readPersistedXml(sample("aliases_and_references.xml"));
    EXPECT_EQ(fieldNames(s), (std::vector<QString>{"Carrier ID", "City", "Post code"}));
    EXPECT_FALSE(s.updatable);
    EXPECT_EQ(s.fields[0].type, FieldType::Int);
    EXPECT_TRUE(s.fields[0].nullable && s.fields[0].writeUnknown);
    EXPECT_EQ(s.fields[2].type, FieldType::Text);  // no type: variable-length text
    EXPECT_FALSE(s.fields[2].nullable);
    EXPECT_EQ(s.rows, (std::vector<Row>{{7, QStringLiteral("Kiel"), QStringLiteral("24103")}}));
}

TEST(PersistXmlRead, EmptyOrMissingDataSectionGivesNoRows) {
    for (const char* name : {"empty_data.xml", "no_data.xml"}) {
        const Store s = readPersistedXml(sample(name));
        EXPECT_EQ(fieldNames(s), std::vector<QString>{"DSN"}) << name;
        EXPECT_TRUE(s.rows.empty()) << name;
    }
}

TEST(PersistXmlRead, BadInputIsABadFormatThatSaysWhatIsWrong) {
    const QByteArray oneField = sample("empty_data.xml");
    const QByteArray withRows = oneField.left(oneField.indexOf("<rs:data/>"));  // schema of field DSN
    const std::vector<std::pair<QByteArray, const char*>> cases = {
        {sample("malformed_empty.xml"), "empty"},
        {"\xEF\xBB\xBF \n\t", "empty"},
        {sample("malformed_not_xml.xml"), "not XML"},
        {sample("malformed_not_well_formed.xml"), "not well-formed"},
        {"<a/><b/>", "more than one root"},
        {sample("malformed_truncated.xml"), "truncated"},
        {sample("malformed_other_kind.xml"), "not a persisted record set"},
        {sample("malformed_unknown_attribute.xml"), "Row 2 has the attribute 'OBJX'"},
        {sample("malformed_bad_value.xml"), "field 'CarrierID': 'einundzwanzig' is not a valid int"},
        {withRows + "<rs:data><z:row DSN='1' DSN='2'/></rs:data></xml>",
         "Row 1 gives the attribute 'DSN' twice"},
        {withRows + "<rs:data><rs:update><z:row DSN='1'/></rs:update></rs:data></xml>",
         "without its original"},
        {withRows + "<rs:data><z:rows DSN='1'/></rs:data></xml>", "<z:rows>"},
        {withRows + "<rs:data><q:row DSN='1'/></rs:data></xml>", "prefix 'q'"},
        {withRows + "<rs:data><z:row DSN='\xC3\x28'/></rs:data></xml>", "UTF-8"},
        // What a save would drop is refused, never read past.
        {withRows + "<rs:data/><rs:data><z:row DSN='1'/></rs:data></xml>", "more than one data section"},
        {withRows + "<rs:data><z:row DSN='1'/></rs:data><rs:data/></xml>", "more than one data section"},
        {withRows + "<rs:data><z:row DSN='1'/>lost</rs:data></xml>", "text inside <rs:data>"},
        {withRows + "<rs:data><![CDATA[x]]><z:row DSN='1'/></rs:data></xml>", "text inside <rs:data>"},
        {withRows + "<rs:data><rs:insert>x<z:row DSN='1'/></rs:insert></rs:data></xml>",
         "text inside <rs:insert>"},
        {withRows + "<rs:data><z:row DSN='1'>x</z:row></rs:data></xml>", "Row 1 holds content"},
        {withRows + "<rs:data><z:row DSN='1'/><z:row DSN='2'><z:row DSN='3'/></z:row></rs:data></xml>",
         "Row 2 holds content"},
        {"<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'><s:Schema><s:ElementType name='row'/>"
         "</s:Schema></xml>",
         "no fields"},
    };
    for (const auto& [bytes, expected] : cases) {
        const auto [number, description] = errorOf([&bytes = bytes] { readPersistedXml(bytes); });
        EXPECT_EQ(number, err::kBadFileFormat) << expected;
        EXPECT_TRUE(description.contains(QLatin1String(expected))) << description.toStdString();
    }
}

// Plain data sections are read straight from the bytes, all others through the document: for any
// bytes both must give the same store or the same error. The cases sit on the edge of plain, and
// most put the thing that is not plain after plain rows, which must then be read again unchanged.
TEST(PersistXmlRead, StraightFromTheBytesReadsAsTheDocumentReaderDoes) {
    const QByteArray nine = sample("config_nine_fields.xml");
    const QByteArray head = nine.left(nine.indexOf("<rs:data>"));
    const QByteArray typed = sample("typed_values.xml");
    const QByteArray typedHead = typed.left(typed.indexOf("<rs:data>"));
    const QByteArray plainRow = "<z:row DSN='BP1' OBJ='0' AD=\"1\"\n\tAKTART_DSN='AA7'/>\r\n";
    const auto data = [&](const QByteArray& rows) {
        return head + "<rs:data>\n" + plainRow + plainRow + rows + "</rs:data>\n</xml>\n";
    };
    std::vector<QByteArray> cases;
    for (const char* name :
         {"aliases_and_references.xml", "config_braced_guids.xml", "config_five_fields.xml",
          "config_nine_fields.xml", "empty_data.xml", "malformed_bad_value.xml", "malformed_empty.xml",
          "malformed_not_well_formed.xml", "malformed_not_xml.xml", "malformed_other_kind.xml",
          "malformed_truncated.xml", "malformed_unknown_attribute.xml", "no_data.xml", "other_prefixes.xml",
          "pending_changes.xml", "typed_values.xml", "umlauts.xml"})
        cases.push_back(sample(name));
    for (const QByteArray& rows : {
             QByteArray(),
             QByteArray("<z:row DSN='a&amp;b &apos;c&apos; &#228; &#x20AC;'/>"),
             QByteArray("<z:row DSN='&#xD800;'/>"),
             QByteArray("<z:row DSN='tab\there' OBJ='line\nend\r\nx'/>"),
             QByteArray("<z:row DSN = 'spaced' OBJ= '1'/>"),
             QByteArray("<z:row DSN='a/>b>c' OBJ='say \"hi\"' AD=\"it's\"/>"),
             QByteArray("<z:row DSN='closed'></z:row>"),
             QByteArray("<!-- a comment --><z:row DSN='after'/>"),
             QByteArray("<?pi x?><z:row DSN='after'/>"),
             QByteArray("text <z:row DSN='after'/>"),
             QByteArray("<rs:insert><z:row DSN='new'/></rs:insert>"),
             QByteArray("<rs:delete><z:row DSN='BP1'/></rs:delete>"),
             QByteArray("<z:row xmlns:z='#RowsetSchema' DSN='declared'/>"),
             QByteArray("<z:row xmlns:q='other' DSN='declared'/>"),
             QByteArray("<z:rowX DSN='longer name'/>"),
             QByteArray("<z:row/><z:row />"),
             QByteArray("<z:row DSN='1'OBJ='0'/>"),
             QByteArray("<z:row DSN='1' DSN='2'/>"),
             QByteArray("<z:row DSN='1' NOPE='2'/>"),
             QByteArray("<z:row DSN='\xC3\xA4\xE2\x82\xAC' OBJ='\xC3\x28'/>"),
             QByteArray("<z:row DSN='\xC3\x28' OBJ='0'/>"),
             QByteArray("<z:row DSN='\xC3\x28"
                        "zyxwvutsrq' OBJ='1'/>"),
             QByteArray("<z:row DSN='nul\0here'/>", 23),
             QByteArray("<z:row DSN='1' NOPE='2'/><z:row DSN='unclosed'"),
             QByteArray("<z:row DSN='1' NOPE='2'/><z:row DSN='&amp;'/>"),
             QByteArray("<z:row DSN='x' OBJ='1'/></rs:data><rs:data><z:row DSN='second'/>"),
             QByteArray("<q:row DSN='unbound prefix'/>"),
             QByteArray("<z:row DSN='unterminated/>"),
             // The last bytes of a section, read one at a time.
             QByteArray("<z:row OBJ='&lt;'/>"),
             QByteArray("<z:row OBJ='\t'/>"),
             QByteArray("<z:row OBJ='\xC3\x28'/>"),
         })
        cases.push_back(data(rows));
    cases.push_back(head + "<rs:data xmlns:z='#RowsetSchema' note='x'>" + plainRow + "</rs:data></xml>");
    cases.push_back(head + "<rs:data xmlns='#RowsetSchema'><row DSN='default'/></rs:data></xml>");
    cases.push_back(head + "<rs:data note='x'>" + plainRow + "</rs:data ></xml  >\n\n");
    cases.push_back(head + "<rs:data>" + plainRow + "</rs:data></xml><!-- after the root -->");
    cases.push_back(head + "<rs:data>\n\t</rs:data></xml>");
    cases.push_back(head + "<rs:data/></xml>");
    cases.push_back(head + "<rs:data><q:row DSN='unbound prefix'/></rs:data></xml>");
    cases.push_back(head + "<rs:data><z:rows DSN='other name'/></rs:data></xml>");
    cases.push_back(head + "<r:data xmlns:r='urn:schemas-microsoft-com:rowset'/><rs:data>" + plainRow +
                    "</rs:data></xml>");
    cases.push_back(head.left(head.indexOf("<s:Schema")) + "<!-- <rs:data> --><s:Schema" +
                    head.mid(head.indexOf("<s:Schema") + 9) + "<rs:data>" + plainRow + "</rs:data></xml>");
    cases.push_back("<?xml version='1.0' encoding='ISO-8859-1'?>\n" + head +
                    "<rs:data><z:row DSN='M\xFCller'/></rs:data></xml>");
    cases.push_back(typedHead + "<rs:data><z:row Name='x' Count='12' Active='1'/><z:row Count='zwoelf'/>" +
                    "</rs:data></xml>");
    cases.push_back(typedHead + "<rs:data><z:row Count='zwoelf'/><z:row Count='&#49;'/></rs:data></xml>");

    for (const QByteArray& bytes : cases) {
        const std::string shown = bytes.right(200).toStdString();
        Store viaDocument;
        const auto documentError = errorOf([&] { viaDocument = readPersistedXmlThroughDocument(bytes); });
        Store straight;
        const auto straightError = errorOf([&] { straight = readPersistedXml(bytes); });
        EXPECT_EQ(straightError, documentError) << shown;
        if (documentError.first == 0 && straightError.first == 0) {
            SCOPED_TRACE(shown);
            expectSameContent(viaDocument, straight);
        }
    }
}

TEST(PersistXmlWrite, WrittenFileHasTheDocumentedShape) {
    Store store = inMemoryStore();
    const QByteArray bytes = writePersistedXml(store);
    EXPECT_TRUE(bytes.startsWith("<xml ")) << "no XML declaration, root first";
    EXPECT_TRUE(bytes.contains("Müller &amp; &lt;Söhne>")) << "UTF-8 text, reserved characters escaped";

    const pugi::xml_document doc = parsed(bytes);
    const pugi::xml_node root = doc.document_element();
    EXPECT_STREQ(root.attribute("xmlns:s").value(), "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
    EXPECT_STREQ(root.attribute("xmlns:dt").value(), "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
    EXPECT_STREQ(root.attribute("xmlns:rs").value(), "urn:schemas-microsoft-com:rowset");
    EXPECT_STREQ(root.attribute("xmlns:z").value(), "#RowsetSchema");
    const pugi::xml_node rowType =
        doc.select_node("/xml/s:Schema[@id='RowsetSchema']/s:ElementType[@name='row'][@content='eltOnly']")
            .node();
    ASSERT_TRUE(rowType);
    EXPECT_STREQ(rowType.attribute("rs:updatable").value(), "true");
    EXPECT_STREQ(rowType.last_child().name(), "s:extends");
    EXPECT_STREQ(rowType.last_child().attribute("type").value(), "rs:rowbase");

    const pugi::xpath_node_set definitions = rowType.select_nodes("s:AttributeType");
    ASSERT_EQ(definitions.size(), store.fields.size());
    for (size_t i = 0; i < definitions.size(); ++i) {
        const pugi::xml_node d = definitions[i].node();
        EXPECT_EQ(QString::fromUtf8(d.attribute("name").value()), store.fields[i].name);
        EXPECT_EQ(d.attribute("rs:number").as_int(), int(i) + 1);
    }
    EXPECT_EQ(attributeNamesOf(definitions[0].node()), "name rs:number rs:writeunknown ");
    EXPECT_EQ(attributeNamesOf(definitions[0].node().child("s:datatype")),
              "dt:type dt:maxLength rs:maybenull ");
    EXPECT_STREQ(definitions[0].node().child("s:datatype").attribute("rs:maybenull").value(), "false");
    EXPECT_EQ(attributeNamesOf(definitions[1].node()),
              "name rs:number rs:nullable rs:basetable rs:basecolumn ");
    EXPECT_STREQ(definitions[2].node().select_node("s:datatype/@dt:type").attribute().value(), "int");
    EXPECT_STREQ(definitions[8].node().select_node("s:datatype/@dt:maxLength").attribute().value(), "8");

    const pugi::xpath_node_set rows = doc.select_nodes("/xml/rs:data/z:row");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_STREQ(rows[0].node().attribute("Active").value(), "1");
    EXPECT_STREQ(rows[0].node().attribute("Stamp").value(), "2024-02-29T23:59:58.007");
    EXPECT_STREQ(rows[0].node().attribute("Blob").value(), "00ff10");
    EXPECT_EQ(attributeNamesOf(rows[1].node()), "Name Active Stamp ") << "a Null is a missing attribute";
    EXPECT_STREQ(rows[1].node().attribute("Stamp").value(), "2000-01-01T00:00:00Z");

    store.rows.clear();
    EXPECT_TRUE(parsed(writePersistedXml(store)).select_node("/xml/rs:data[not(*)]")) << "empty data section";
}

// Rows are written as text, not as document nodes: each must read exactly as the document writer
// writes such an element, so that files stay what they were byte for byte, and read back the same.
TEST(PersistXmlWrite, RowsAreWrittenAsTheDocumentWriterWritesThem) {
    QString every;
    for (char16_t c = 1; c < 128; ++c)
        every += QChar(c);
    every += QStringLiteral("äß€😀");
    Store s;
    s.fields = {field("A", FieldType::Text), field("B", FieldType::Int)};
    s.rows.push_back({every, 7});
    s.rows.push_back({QStringLiteral("x"), nullVariant()});
    const QByteArray written = writePersistedXml(s);

    pugi::xml_document nodes;
    pugi::xml_node row = nodes.append_child("z:row");
    row.append_attribute("A").set_value(every.toUtf8().constData());
    row.append_attribute("B").set_value("7");
    nodes.append_child("z:row").append_attribute("A").set_value("x");
    std::ostringstream expected;
    nodes.save(expected, "\t",
               pugi::format_indent | pugi::format_no_declaration | pugi::format_attribute_single_quote);
    std::string rows;
    std::istringstream lines(expected.str());
    for (std::string line; std::getline(lines, line);)
        rows += "\t\t" + line + "\n";
    EXPECT_TRUE(
        written.contains(QByteArray::fromStdString("\t<rs:data>\n" + rows + "\t</rs:data>\n</xml>\n")))
        << written.toStdString();

    const Store back = readPersistedXml(written);
    EXPECT_EQ(writePersistedXml(back), written);  // unread cells are written as the file had them
    EXPECT_EQ(text(back, 0, "A"), every);
    EXPECT_EQ(writePersistedXml(back), written);  // and read ones as their values
}

TEST(PersistXmlWrite, RoundTripKeepsFieldsValuesAndNulls) {
    const Store original = inMemoryStore();
    const QByteArray written = writePersistedXml(original);
    const Store back = readPersistedXml(written);
    expectSameContent(original, back);
    EXPECT_EQ(writePersistedXml(back), written) << "definitions read back are written the same";
}

TEST(PersistXmlWrite, DefinitionsReadFromAFileAreWrittenBackUnchanged) {
    for (const char* name :
         {"config_nine_fields.xml", "config_five_fields.xml", "other_prefixes.xml", "pending_changes.xml",
          "typed_values.xml", "umlauts.xml", "aliases_and_references.xml"}) {
        SCOPED_TRACE(name);
        const Store first = readPersistedXml(sample(name));
        const QByteArray written = writePersistedXml(first);
        expectSameContent(first, readPersistedXml(written));
    }

    const pugi::xml_document nine = parsed(writePersistedXml(readPersistedXml(sample("other_prefixes.xml"))));
    EXPECT_EQ(nine.select_nodes("//s:AttributeType[@rs:writeunknown='true']").size(), 8u);
    EXPECT_FALSE(nine.select_node("//s:AttributeType[@name='DSN']/@rs:writeunknown"));
    EXPECT_EQ(attributeNamesOf(nine.select_node("//s:AttributeType[@name='AKTART_DSN']").node()),
              "name rs:number rs:nullable rs:basecatalog rs:basetable rs:basecolumn rs:writeunknown ");
    EXPECT_EQ(attributeNamesOf(nine.select_node("//s:AttributeType[@name='DSN']/s:datatype").node()),
              "dt:type rs:dbtype dt:maxLength rs:maybenull ");

    const pugi::xml_document typed = parsed(writePersistedXml(readPersistedXml(sample("typed_values.xml"))));
    EXPECT_STREQ(typed.select_node("/xml/rs:data/z:row/@Day").attribute().value(), "2024-02-29");

    Store fewer = readPersistedXml(sample("config_nine_fields.xml"));
    fewer.fields.erase(fewer.fields.begin());
    for (Row& row : fewer.rows)
        row.erase(row.begin());
    const pugi::xml_document renumbered = parsed(writePersistedXml(fewer));
    EXPECT_EQ(renumbered.select_node("//s:AttributeType[@name='OBJ']/@rs:number").attribute().as_int(), 1);
    EXPECT_EQ(renumbered.select_node("//s:AttributeType[@name='AKTART_DSN']/@rs:number").attribute().as_int(),
              8);
}

TEST(PersistXmlWrite, NamesThatCannotBeAttributesGetAliases) {
    Store s;
    s.fields = {field("Post code", FieldType::Text), field("A", FieldType::Text), field("A", FieldType::Int),
                field("xmlns", FieldType::Text)};
    s.rows = {{QStringLiteral("24103"), QStringLiteral("x"), 5, QStringLiteral("y")}};
    const Store back = readPersistedXml(writePersistedXml(s));
    EXPECT_EQ(fieldNames(back), fieldNames(s));
    EXPECT_EQ(back.rows, s.rows);
}

TEST(PersistXmlWrite, ValuesThatCannotBeWrittenAreRefusedNamingRowAndField) {
    Store s;
    s.fields = {field("Note", FieldType::Text), field("Count", FieldType::Int)};
    s.rows = {{QStringLiteral("ok"), 1}, {QStringLiteral("ok"), QStringLiteral("zwölf")}};
    auto [number, description] = errorOf([&s] { writePersistedXml(s); });
    EXPECT_EQ(number, err::kBadArgument);
    EXPECT_TRUE(description.startsWith(u"Row 2, field 'Count'")) << description.toStdString();

    s.rows = {{QString::fromUtf16(u"cut\0here", 8), 1}};
    std::tie(number, description) = errorOf([&s] { writePersistedXml(s); });
    EXPECT_EQ(number, err::kBadArgument) << "a NUL would silently cut the text";
}

TEST(PersistXmlValues, TextsOfEachTypeBothWays) {
    const auto badText = [](FieldType type, const char* text) {
        return errorOf([&] { valueFromXmlText(type, QString::fromUtf8(text)); }).first == err::kBadFileFormat;
    };
    EXPECT_TRUE(badText(FieldType::Int, "2147483648"));
    EXPECT_TRUE(badText(FieldType::Int, ""));
    EXPECT_TRUE(badText(FieldType::Bool, "yes"));
    EXPECT_TRUE(badText(FieldType::DateTime, "2023-02-29T10:00:00"));
    EXPECT_TRUE(badText(FieldType::DateTime, "25.01.2008"));
    EXPECT_TRUE(badText(FieldType::Binary, "abc"));
    EXPECT_TRUE(badText(FieldType::Binary, "zz"));
    EXPECT_TRUE(badText(FieldType::Guid, "{8AC68D3D-8A09-4403-8860-D0E494BBE894"));
    EXPECT_TRUE(badText(FieldType::Decimal, "1,5"));
    EXPECT_EQ(
        valueFromXmlText(FieldType::Guid, QStringLiteral("8ac68d3d-8a09-4403-8860-d0e494bbe894")).toString(),
        u"8ac68d3d-8a09-4403-8860-d0e494bbe894");
    EXPECT_EQ(valueFromXmlText(FieldType::Bool, QStringLiteral("TRUE")), QVariant(true));
    EXPECT_EQ(valueFromXmlText(FieldType::Decimal, QStringLiteral(" 1.5E3 ")),
              QVariant(QStringLiteral("1.5E3")));
    EXPECT_EQ(valueFromXmlText(FieldType::DateTime, QStringLiteral("2008-01-25T13:04:05.123456789-08:00"))
                  .toDateTime(),
              QDateTime(QDate(2008, 1, 25), QTime(21, 4, 5, 123), Qt::UTC));

    EXPECT_EQ(valueToXmlText(FieldType::Bool, QStringLiteral("False")), u"0");
    EXPECT_EQ(
        valueToXmlText(FieldType::Guid,
                       QVariant::fromValue(QUuid(QStringLiteral("{8ac68d3d-8a09-4403-8860-d0e494bbe894}")))),
        u"{8AC68D3D-8A09-4403-8860-D0E494BBE894}");
    EXPECT_EQ(valueToXmlText(FieldType::DateTime, QDate(2024, 5, 1)), u"2024-05-01T00:00:00");
    EXPECT_EQ(valueToXmlText(FieldType::DateTime, QDateTime(QDate(2024, 5, 1), QTime(8, 0), Qt::OffsetFromUTC,
                                                            -(3 * 3600 + 1800))),
              u"2024-05-01T08:00:00-03:30");
    EXPECT_EQ(valueToXmlText(FieldType::Double, 0.1), u"0.1");
    EXPECT_EQ(valueToXmlText(FieldType::Decimal, 2.5), u"2.5");
    EXPECT_EQ(errorOf([] { valueToXmlText(FieldType::Int, qint64(1) << 33); }).first, err::kBadArgument);
    EXPECT_EQ(errorOf([] { valueToXmlText(FieldType::Binary, QStringLiteral("00ff")); }).first,
              err::kBadArgument);
}

TEST(PersistXmlValues, LocalTimeSkippedByDaylightSavingIsKept) {
    const std::optional<QByteArray> oldZone =
        qEnvironmentVariableIsSet("TZ") ? std::optional<QByteArray>(qgetenv("TZ")) : std::nullopt;
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const QVariant skipped = valueFromXmlText(FieldType::DateTime, QStringLiteral("2024-03-31T02:30:00"));
    const bool zoneApplied = !skipped.toDateTime().isValid();
    const QString written = valueToXmlText(FieldType::DateTime, skipped);
    if (oldZone)
        qputenv("TZ", *oldZone);
    else
        qunsetenv("TZ");
    tzset();
    ASSERT_TRUE(zoneApplied) << "the time zone change did not take effect";
    EXPECT_EQ(written, u"2024-03-31T02:30:00");
}
