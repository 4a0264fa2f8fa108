// The host fires activity events faster than a person: many runs of the real add-in at once, on one
// host database, must start at most one process per activity and each end on its own.
#include "emulator/host_schema.h"
#include "support/host_fixture.h"

#include <QFile>
#include <thread>

using namespace sv;
using sv::test::HostFixture;
using sv::test::ToolResult;

namespace {

const QString kStamp = QStringLiteral("Der Prozess wurde von 'Administrator' initiiert.");

QString activityDsn(int round, int i) {
    return QStringLiteral("AC100000-0000-4000-8000-%1%2")
        .arg(round, 4, 10, QLatin1Char('0'))
        .arg(i, 8, 10, QLatin1Char('0'));
}

void addActivity(HostFixture& host, const QString& dsn, const char* type) {
    host.sql(QStringLiteral("insert into HostActivity (DSN, Pane, Betreff, ART_DSN, Notiz) values "
                            "('%1', 'F_AKT', 'Last', '%2', 'Anfang')")
                 .arg(dsn, QLatin1String(type)));
}

int processesOf(HostFixture& host, const QString& activity) {
    return int(
        host.sql(QStringLiteral("select DSN from BusinessProcessActive where Start_Activity_DSN = '%1'")
                     .arg(activity))
            .size());
}

int stampsOf(HostFixture& host, const QString& activity) {
    const auto rows =
        host.sql(QStringLiteral("select Notiz from HostActivity where DSN = '%1'").arg(activity));
    return rows.empty() ? -1 : int(rows.front().value("Notiz").toString().count(kStamp));
}

// A second host client: a host folder of its own (its own session, its own call log) that works on
// the database and the add-in folder of `shared`.
class HostClient {
public:
    explicit HostClient(const HostFixture& shared) : host_(false) {
        QFile ini(host_.dir() + QStringLiteral("/sql/SQL.INI"));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QStringLiteral("[Database]\nFile=%1/sql/host.sqlite\n").arg(shared.dir()).toUtf8());
        ini.close();
        host_.set({QStringLiteral("folder=") + shared.dir()});
    }

    // One activity event: the activity selected, then the add-in started with the event's word.
    ToolResult fire(const QString& activity, const QString& word) {
        host_.set({QStringLiteral("selected=") + activity});
        return host_.start(word);
    }

private:
    HostFixture host_;
};

}  // namespace

TEST(Load, RunsForOneActivityAtTheSameMomentStartOneProcess) {
    HostFixture host;
    ASSERT_EQ(host.start("config", {"close"}).status, 0);  // the configuration, so nobody is asked
    constexpr int kRounds = 6;
    constexpr int kRunsAtOnce = 4;
    for (int round = 0; round < kRounds; ++round) {
        const QString activity = activityDsn(round, 0);
        addActivity(host, activity, emu::demo::kTypeOffer);
        host.set({QStringLiteral("selected=") + activity});
        std::vector<std::thread> runs;
        std::vector<int> statuses(kRunsAtOnce, -1);
        for (int i = 0; i < kRunsAtOnce; ++i)
            runs.emplace_back([&, i] {
                statuses[i] =
                    sv::test::runTool({QStringLiteral("start"), host.dir(), QStringLiteral("new")}).status;
            });
        for (std::thread& run : runs)
            run.join();
        SCOPED_TRACE(activity.toStdString());
        EXPECT_EQ(statuses, std::vector<int>(kRunsAtOnce, 0));
        EXPECT_EQ(processesOf(host, activity), 1);
        EXPECT_EQ(stampsOf(host, activity), 1);
    }
}

TEST(Load, EightClientsFireTwoHundredEventsOverFiftyActivities) {
    HostFixture shared;
    ASSERT_EQ(shared.start("config", {"close"}).status, 0);
    const char* types[] = {emu::demo::kTypeOffer, emu::demo::kTypeService, emu::demo::kTypeComplaint,
                           emu::demo::kTypeCall};
    constexpr int kActivities = 50;
    for (int i = 0; i < kActivities; ++i)
        addActivity(shared, activityDsn(0, i), types[i % 4]);
    const int rowsBefore = int(shared.sql("select DSN from BusinessProcessActive").size());

    constexpr int kClients = 8;
    constexpr int kEvents = 200;
    const QString words[] = {"new", "update", "done"};
    std::vector<std::unique_ptr<HostClient>> clients;
    for (int c = 0; c < kClients; ++c)
        clients.push_back(std::make_unique<HostClient>(shared));
    std::vector<std::vector<int>> statuses(kClients);
    std::vector<std::thread> threads;
    for (int c = 0; c < kClients; ++c)
        threads.emplace_back([&, c] {
            for (int event = c; event < kEvents; event += kClients)
                statuses[c].push_back(
                    clients[c]->fire(activityDsn(0, (event * 7) % kActivities), words[event % 3]).status);
        });
    for (std::thread& t : threads)
        t.join();

    for (int c = 0; c < kClients; ++c)
        EXPECT_EQ(statuses[c], std::vector<int>(kEvents / kClients, 0)) << "client " << c;
    int started = 0;
    for (int i = 0; i < kActivities; ++i) {
        const QString activity = activityDsn(0, i);
        SCOPED_TRACE(activity.toStdString());
        const int expected = types[i % 4] == emu::demo::kTypeOffer ? 1 : 0;
        EXPECT_EQ(processesOf(shared, activity), expected);
        EXPECT_EQ(stampsOf(shared, activity), expected);
        started += expected;
    }
    EXPECT_EQ(int(shared.sql("select DSN from BusinessProcessActive").size()), rowsBefore + started);
}
