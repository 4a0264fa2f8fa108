// Connection strings: parsing, the choice of road, and the translation of OLE DB strings for
// SQL Server into FreeTDS ODBC strings.

#include "platform/data/connection_string.h"
#include "connection_test_support.h"

#include <gtest/gtest.h>

using sv::data::Backend;
using sv::data::backendOf;
using sv::data::ConnectionProperties;
using sv::data::toFreeTdsOdbc;
using sv::testing::errorOf;

namespace {

ConnectionProperties parse(const char* text) {
    return ConnectionProperties::parse(QString::fromUtf8(text));
}

QString freeTds(const char* oleDb) {
    return toFreeTdsOdbc(parse(oleDb)).toOdbcString();
}

long errorNumberOf(const std::function<void()>& action) {
    const auto error = errorOf(action);
    return error ? error->number() : 0;
}

}  // namespace

TEST(ConnectionStringParse, PlainPairs) {
    const ConnectionProperties p =
        parse(" Provider = SQLOLEDB.1 ;data source=db01;;Initial Catalog=Quorvant DB ;");
    ASSERT_EQ(p.items().size(), 3u);
    EXPECT_EQ(p.items()[0].key, "Provider");
    EXPECT_EQ(p.value("PROVIDER"), "SQLOLEDB.1");
    EXPECT_EQ(p.value("Data Source"), "db01");
    EXPECT_EQ(p.value("initial catalog"), "Quorvant DB");
    EXPECT_TRUE(p.contains("DATA SOURCE"));
    EXPECT_FALSE(p.contains("User ID"));
    EXPECT_EQ(p.value("User ID"), QString());

    // A key given twice keeps its first place and its last value.
    const ConnectionProperties twice = parse("UID=a;PWD=x;uid=b");
    ASSERT_EQ(twice.items().size(), 2u);
    EXPECT_EQ(twice.items()[0].value, "b");

    EXPECT_TRUE(parse("").items().empty());
    EXPECT_TRUE(parse(" ; ;").items().empty());
    EXPECT_EQ(parse("Password=").value("Password"), QString());
    EXPECT_EQ(parse("a==b=c").value("a=b"), "c");
    EXPECT_EQ(parse("Extended Properties=a=b").value("Extended Properties"), "a=b");
}

TEST(ConnectionStringParse, QuotedAndBracedValuesKeepSeparators) {
    const ConnectionProperties p = parse(
        "Password='se;cr''et';User ID=\"O\"\"Brien; jr\";Driver={SQL Server};PWD={a;}}b} ;X='He said "
        "\"hi\"'");
    EXPECT_EQ(p.value("Password"), "se;cr'et");
    EXPECT_EQ(p.value("User ID"), "O\"Brien; jr");
    EXPECT_EQ(p.value("Driver"), "SQL Server");
    EXPECT_EQ(p.value("PWD"), "a;}b");
    EXPECT_EQ(p.value("X"), "He said \"hi\"");
    // Quotes keep outer blanks; a plain value loses them.
    EXPECT_EQ(parse("A=' x ';B= y ").value("A"), " x ");
    EXPECT_EQ(parse("A=' x ';B= y ").value("B"), "y");
    // A quote inside a plain value is just a character.
    EXPECT_EQ(parse("Data Source=it's;Y=1").value("Data Source"), "it's");
}

TEST(ConnectionStringParse, MalformedStringsAreRejected) {
    for (const char* bad : {"Data Source", "Provider=SQLite;Data Source", "=value", " =x", "Password='abc",
                            "Password=\"abc;", "Driver={SQL Server", "Password='a' b;X=1"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(errorNumberOf([bad] { parse(bad); }), sv::err::kBadArgument);
    }
}

TEST(ConnectionStringOdbc, ValuesThatNeedItAreBracedAndSurviveParsing) {
    ConnectionProperties p;
    p.set("Driver", "FreeTDS");
    p.set("PWD", "a;b}c{d");
    p.set("UID", " padded ");
    p.set("Database", "plain value");
    EXPECT_EQ(p.toOdbcString(), "Driver=FreeTDS;PWD={a;b}}c{d};UID={ padded };Database=plain value");
    const ConnectionProperties back = ConnectionProperties::parse(p.toOdbcString());
    EXPECT_EQ(back.value("PWD"), "a;b}c{d");
    EXPECT_EQ(back.value("UID"), " padded ");
    EXPECT_EQ(back.value("Database"), "plain value");

    p.remove("pwd");
    EXPECT_FALSE(p.contains("PWD"));
    EXPECT_EQ(p.toOdbcString(), "Driver=FreeTDS;UID={ padded };Database=plain value");
}

TEST(ConnectionBackend, ChosenByProviderOrOdbcKeys) {
    EXPECT_EQ(backendOf(parse("Provider=SQLite;Data Source=/tmp/x.db")), Backend::Sqlite);
    EXPECT_EQ(backendOf(parse("provider=sqlite;Data Source=/tmp/x.db")), Backend::Sqlite);
    for (const char* provider : {"SQLOLEDB", "SQLOLEDB.1", "sqloledb", "SQLNCLI", "SQLNCLI11", "SQLNCLI10.1",
                                 "MSOLEDBSQL", "MSOLEDBSQL19"}) {
        SCOPED_TRACE(provider);
        EXPECT_EQ(backendOf(parse((QString("Provider=") + provider + ";Data Source=db").toUtf8())),
                  Backend::SqlServer);
    }
    for (const char* odbc : {"Driver={FreeTDS};Server=db", "DSN=host", "Provider=MSDASQL.1;DSN=host"})
        EXPECT_EQ(backendOf(parse(odbc)), Backend::Odbc) << odbc;
    for (const char* unknown :
         {"", "Provider=MSDASQL", "Data Source=db", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x",
          "Provider=SQLOLEDBX;Data Source=db", "Provider=SQLite3;Data Source=x"})
        EXPECT_EQ(backendOf(parse(unknown)), Backend::Unknown) << unknown;
}

TEST(FreeTdsTranslation, ServerForms) {
    EXPECT_EQ(freeTds("Provider=SQLOLEDB;Data Source=db01"),
              "Driver=FreeTDS;Server=db01;Port=1433;TDS_Version=7.4;ClientCharset=UTF-8");
    EXPECT_EQ(freeTds("Provider=SQLOLEDB;Data Source=db01,1500"),
              "Driver=FreeTDS;Server=db01;Port=1500;TDS_Version=7.4;ClientCharset=UTF-8");
    EXPECT_EQ(freeTds("Provider=SQLOLEDB;Data Source=db01\\SQLEXPRESS"),
              "Driver=FreeTDS;Server=db01\\SQLEXPRESS;TDS_Version=7.4;ClientCharset=UTF-8");
    // A port wins over an instance name.
    EXPECT_EQ(freeTds("Provider=SQLOLEDB;Data Source=tcp:db01\\SQLEXPRESS, 1600"),
              "Driver=FreeTDS;Server=db01;Port=1600;TDS_Version=7.4;ClientCharset=UTF-8");
    for (const char* local : {"(local)", ".", "(LOCAL)\\INST"}) {
        SCOPED_TRACE(local);
        const auto odbc = toFreeTdsOdbc(parse((QString("Provider=SQLNCLI11;Data Source=") + local).toUtf8()));
        EXPECT_TRUE(odbc.value("Server").startsWith("localhost"));
    }
    EXPECT_EQ(toFreeTdsOdbc(parse("Provider=SQLOLEDB;Server=alias")).value("Server"), "alias");
    for (const char* bad : {"db01,abc", "db01,0", "db01,70000", "db01,"}) {
        SCOPED_TRACE(bad);
        const QString text = QString("Provider=SQLOLEDB;Data Source=") + bad;
        EXPECT_EQ(errorNumberOf([&] { toFreeTdsOdbc(ConnectionProperties::parse(text)); }),
                  sv::err::kBadArgument);
    }
}

TEST(FreeTdsTranslation, CredentialsDatabaseAndOptions) {
    EXPECT_EQ(freeTds("Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=\"p;w}d\";"
                      "Initial Catalog=Quorvant;Data Source=db01\\Q;Auto Translate=True"),
              "Driver=FreeTDS;Server=db01\\Q;Database=Quorvant;UID=sa;PWD={p;w}}d};TDS_Version=7.4;"
              "ClientCharset=UTF-8");

    // Integrated security replaces user and password.
    for (const char* integrated :
         {"Integrated Security=SSPI", "Integrated Security=true", "Trusted_Connection=yes"}) {
        SCOPED_TRACE(integrated);
        const auto odbc = toFreeTdsOdbc(parse(
            (QString("Provider=MSOLEDBSQL;Data Source=db;User ID=sa;Password=x;") + integrated).toUtf8()));
        EXPECT_EQ(odbc.value("Trusted_Connection"), "Yes");
        EXPECT_FALSE(odbc.contains("UID"));
        EXPECT_FALSE(odbc.contains("PWD"));
    }
    EXPECT_FALSE(toFreeTdsOdbc(parse("Provider=SQLOLEDB;Data Source=db;Integrated Security=false"))
                     .contains("Trusted_Connection"));

    // A password keeps its blanks, an empty one is passed on as empty.
    EXPECT_EQ(toFreeTdsOdbc(parse("Provider=SQLOLEDB;Data Source=db;UID=u;PWD=' two  '")).value("PWD"),
              " two  ");
    const auto empty = toFreeTdsOdbc(parse("Provider=SQLOLEDB;Data Source=db;User ID=u;Password="));
    EXPECT_TRUE(empty.contains("PWD"));
    EXPECT_EQ(empty.value("PWD"), QString());

    const auto options =
        toFreeTdsOdbc(parse("Provider=SQLOLEDB;Data Source=db;Database=D;Application Name=Sondervik;"
                            "Workstation ID=PC7;Use Encryption for Data=True"));
    EXPECT_EQ(options.value("Database"), "D");
    EXPECT_EQ(options.value("APP"), "Sondervik");
    EXPECT_EQ(options.value("WSID"), "PC7");
    EXPECT_EQ(options.value("Encryption"), "require");
    EXPECT_FALSE(options.contains("Application Name"));
}

TEST(ConnectionLoginTimeout, GivenWholeSecondsOrFifteen) {
    EXPECT_EQ(loginTimeoutSeconds(parse("Provider=SQLOLEDB;Data Source=db;Connect Timeout=3")), 3);
    EXPECT_EQ(loginTimeoutSeconds(parse("Driver=FreeTDS;Server=db;Connection Timeout=0")), 0);
    EXPECT_EQ(loginTimeoutSeconds(parse("Provider=SQLOLEDB;Data Source=db;timeout= 40 ")), 40);
    for (const char* without : {"Provider=SQLOLEDB;Data Source=db", "Provider=SQLOLEDB;Connect Timeout=soon",
                                "Provider=SQLOLEDB;Connect Timeout=-5"}) {
        SCOPED_TRACE(without);
        EXPECT_EQ(loginTimeoutSeconds(parse(without)), 15);
    }
}
