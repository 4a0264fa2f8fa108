// tamberlib10.cdbutil's GetConnectString over the host's SQL.INI.
#include "emulator/host_objects.h"
#include "emulator_test_support.h"
#include "platform/data/connection_string.h"
#include "src/host/host_contract.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace sv;
using sv::emutest::errorNumber;

namespace {

class ConnectString : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir(tmp.path()).mkpath("sql")); }

    void writeIni(const QByteArray& content) { files::writeFileAtomic(tmp.path() + "/sql/SQL.INI", content); }

    // As the add-in asks: the folder and "\sql\SQL.INI" joined with backslashes.
    QString ask(qint32 code = host::kConnectStringCode) const {
        const automation::Value dbUtil(emu::makeDbUtil());
        return dbUtil.call("GetConnectString", {tmp.path() + "\\sql\\SQL.INI", code}).toText();
    }

    QTemporaryDir tmp;
};

TEST_F(ConnectString, EmbeddedDatabaseBesideTheIni) {
    writeIni("; comment\r\n[Other]\r\nFile=wrong.sqlite\r\n[database]\r\n  file = host.sqlite \r\n");
    EXPECT_EQ(ask(), "Provider=SQLite;Data Source=" + tmp.path() + "/sql/host.sqlite");

    writeIni("[Database]\nFile=..\\data\\host.sqlite\n");  // backslashes and a relative path
    EXPECT_EQ(ask(), "Provider=SQLite;Data Source=" + tmp.path() + "/data/host.sqlite");
}

TEST_F(ConnectString, WrittenStringWinsAndIsKeptWhole) {
    const QString odbc = "Driver={ODBC Driver 18};Server=db,1433;Database=Quorvant;UID=sa;PWD=a=b,c";
    writeIni(("[Database]\nFile=host.sqlite\nConnectString=" + odbc + "\n").toUtf8());
    EXPECT_EQ(ask(), odbc);
}

TEST_F(ConnectString, PathWithSeparatorsReadsBackUnchanged) {
    writeIni("[Database]\nFile=a;b'c.sqlite\n");
    const auto properties = data::ConnectionProperties::parse(ask());
    EXPECT_EQ(properties.value("Data Source"), tmp.path() + "/sql/a;b'c.sqlite");
    EXPECT_EQ(properties.value("Provider"), "SQLite");
}

TEST_F(ConnectString, Failures) {
    EXPECT_EQ(errorNumber([&] { ask(); }), err::kFileNotFound);
    const automation::Value dbUtil(emu::makeDbUtil());
    EXPECT_EQ(errorNumber([&] {
                  dbUtil.call("GetConnectString", {tmp.path() + "\\nowhere\\SQL.INI", 17});
              }),
              err::kPathNotFound);

    writeIni("[Database]\nFile=host.sqlite\n");
    EXPECT_EQ(errorNumber([&] { ask(host::kConnectStringCode + 1); }), err::kBadArgument);
    EXPECT_EQ(errorNumber([&] { dbUtil.call("GetConnectString", {tmp.path() + "/sql/SQL.INI"}); }),
              err::kBadArgument);

    writeIni("[Database]\nServer=x\n");
    EXPECT_EQ(errorNumber([&] { ask(); }), err::kBadFileFormat);
    writeIni("[Database]\nFile host.sqlite\n");
    EXPECT_EQ(errorNumber([&] { ask(); }), err::kBadFileFormat);
}

}  // namespace
