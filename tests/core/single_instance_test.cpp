// One player per executable: two starts at the same moment leave one
// listener, and a socket or lock left by a crashed run does not keep the
// next start from listening.
#include "core/single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// The environment variable that turns this test program into one start of
// the player: "name;folder;mode".
constexpr char ChildVariable[] = "MEMOTAP_INSTANCE_CHILD";

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}

QString uniqueServerName() {
    return QStringLiteral("memotap-test-") + QUuid::createUuid().toString(QUuid::Id128).left(16);
}

class Start {
  public:
    Start(const QString& name, const QString& folder, const char* mode) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(ChildVariable, name + u';' + folder + u';' + QLatin1String(mode));
        process_.setProcessEnvironment(env);
        process_.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--gtest_filter=SingleInstanceChild.*")});
    }
    ~Start() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // "listening", "activated" or "failed", once the start has decided.
    QString verdict(int timeoutMs = 15000) {
        waitUntil(
            [this] {
                output_ += process_.readAllStandardOutput();
                return output_.contains("instance: ") &&
                       output_.indexOf('\n', output_.indexOf("instance: ")) >= 0;
            },
            timeoutMs);
        const qsizetype at = output_.indexOf("instance: ");
        if (at < 0)
            return QStringLiteral("no answer");
        const qsizetype end = output_.indexOf('\n', at);
        return QString::fromUtf8(output_.mid(at + 10, end - at - 10));
    }
    // The exit code, or -1 when the start did not end normally in time.
    int finish() {
        if (process_.state() != QProcess::NotRunning && !process_.waitForFinished(15000))
            return -1;
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    bool started() { return process_.waitForStarted(5000); }

  private:
    QProcess process_;
    QByteArray output_;
};

} // namespace

// Not a test of its own: one start of the player, run by the tests below in a
// process of its own. Waits for "go" in the folder, then checks and listens,
// and as a listener serves until "stop" appears. Mode "crash" dies between
// the check and the listen, leaving the start-up lock behind.
TEST(SingleInstanceChild, OneStart) {
    const QStringList childArgs = qEnvironmentVariable(ChildVariable).split(u';');
    if (childArgs.size() != 3)
        GTEST_SKIP() << "run only by the race and crash tests below";
    const QDir folder(childArgs[1]);
    // Spin rather than sleep, so that the starts leave the mark together.
    QElapsedTimer clock;
    clock.start();
    while (!folder.exists("go") && clock.elapsed() < 15000) {
    }
    SingleInstance instance(childArgs[0]);
    if (instance.activateRunningInstance()) {
        std::printf("instance: activated\n");
        return;
    }
    if (childArgs[2] == u"crash") {
        std::fflush(stdout);
        _exit(3);
    }
    const bool listening = instance.listen();
    std::printf("instance: %s\n", listening ? "listening" : "failed");
    std::fflush(stdout);
    ASSERT_TRUE(listening);
    EXPECT_TRUE(waitUntil([&] { return folder.exists("stop"); }, 30000));
}

// Six starts released at once, more than the cores: some are put aside
// between their check and their listen, which is where two players came from.
TEST(SingleInstance, StartsAtTheSameMomentLeaveOneListener) {
    constexpr int Starts = 6;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const QString name = uniqueServerName();
        std::vector<std::unique_ptr<Start>> starts;
        for (int i = 0; i < Starts; ++i) {
            starts.push_back(std::make_unique<Start>(name, folder.path(), "serve"));
            ASSERT_TRUE(starts.back()->started());
        }
        QFile go(folder.filePath("go"));
        ASSERT_TRUE(go.open(QIODevice::WriteOnly));
        go.close();

        QStringList verdicts;
        for (auto& start : starts)
            verdicts << start->verdict();
        EXPECT_EQ(verdicts.count("listening"), 1) << verdicts.join(' ').toStdString();
        EXPECT_EQ(verdicts.count("activated"), Starts - 1) << verdicts.join(' ').toStdString();

        QFile stop(folder.filePath("stop"));
        ASSERT_TRUE(stop.open(QIODevice::WriteOnly));
        stop.close();
        for (auto& start : starts)
            EXPECT_EQ(start->finish(), 0);
        QLocalServer::removeServer(name);
    }
}

TEST(SingleInstance, SocketLeftByACrashedRunIsRemovedAndTheNextStartListens) {
    const QString name = uniqueServerName();
    // A socket file nobody listens on, as a killed instance leaves it.
    const QByteArray path = QFile::encodeName(QDir::temp().filePath(name));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof address.sun_path);
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::close(fd), 0);
    ASSERT_TRUE(QFile::exists(QFile::decodeName(path)));

    SingleInstance instance(name);
    EXPECT_FALSE(instance.activateRunningInstance());
    EXPECT_TRUE(instance.listen());

    // The new listener is the one a later start finds.
    SingleInstance later(name);
    bool activated = false;
    QObject::connect(&instance, &SingleInstance::activationRequested, [&] { activated = true; });
    EXPECT_TRUE(later.activateRunningInstance());
    EXPECT_TRUE(waitUntil([&] { return activated; }, 5000));
}

TEST(SingleInstance, LockLeftByAStartThatCrashedIsTakenOver) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString name = uniqueServerName();
    {
        Start crashed(name, folder.path(), "crash");
        ASSERT_TRUE(crashed.started());
        QFile go(folder.filePath("go"));
        ASSERT_TRUE(go.open(QIODevice::WriteOnly));
        go.close();
        EXPECT_EQ(crashed.finish(), 3);
    }
    ASSERT_TRUE(QFile::exists(QDir::temp().filePath(name + ".lock")));

    SingleInstance instance(name);
    EXPECT_FALSE(instance.activateRunningInstance());
    EXPECT_TRUE(instance.listen());
    EXPECT_FALSE(QFile::exists(QDir::temp().filePath(name + ".lock")));
    QLocalServer::removeServer(name);
}
