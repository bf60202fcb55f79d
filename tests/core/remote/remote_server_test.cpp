// The player's end of the socket: requests run their commands as the hotkeys
// do, and no client, however broken, gets more than one bounded answer.
#include "core/commands/command_fixture.h"
#include "core/remote/request.h"
#include "core/remote_requests.h"
#include "core/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace modMain;

namespace {

class RemoteServerTest : public CommandFixture {
  protected:
    void SetUp() override {
        CommandFixture::SetUp();
        ASSERT_TRUE(instance.listen());
    }

    // Sends bytes on a connection of its own and waits for the answer; what
    // arrived before the player closed it.
    QByteArray exchange(const QByteArray& bytes, int timeoutMs = 5000) {
        QLocalSocket socket;
        socket.connectToServer(instance_path());
        EXPECT_TRUE(socket.waitForConnected(1000));
        socket.write(bytes);
        QByteArray answer;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                if (socket.isOpen())
                    answer += socket.readAll();
                return socket.state() == QLocalSocket::UnconnectedState;
            },
            timeoutMs))
            << "the player closes every connection";
        return socket.isOpen() ? answer + socket.readAll() : answer;
    }

    QByteArray send(const QString& verb, const QString& argument = {}) {
        return exchange(*remote::FormatRequest(verb, argument));
    }

    QString instance_path() const { return folder.filePath("socket"); }

    SingleInstance instance{folder.filePath("socket")};
    QSignalSpy activations{&instance, &SingleInstance::activationRequested};
};

TEST_F(RemoteServerTest, RequestsRunTheirCommandsAndAnswerOk) {
    playing(StatePlaying, 100);
    EXPECT_EQ(send("pause"), "OK\n");
    EXPECT_EQ(engine->take(), (QStringList{"pause"}));
    EXPECT_EQ(send("seek-to", "90"), "OK\n");
    EXPECT_TRUE(engine->take().contains("seek(90)"));
    EXPECT_EQ(send("set-speed", "150"), "OK\n");
    EXPECT_EQ(Pitch, 150);
    EXPECT_EQ(send("copy-time"), "OK\n");
    EXPECT_EQ(view.copied, QStringList{"[00:01:30]"});
    engine->take();
    EXPECT_EQ(activations.size(), 0);
    EXPECT_EQ(send("levelling", "on"), "OK\n");
    EXPECT_EQ(send("channel", "left"), "OK\n");
    EXPECT_EQ(send("channel"), "OK\n");
    EXPECT_EQ(engine->take(),
              (QStringList{"setHearing(levelling=1,noise=0,lowcut=0,channel=both)",
                           "setHearing(levelling=1,noise=0,lowcut=0,channel=left)",
                           "setHearing(levelling=1,noise=0,lowcut=0,channel=right)"}));
    EXPECT_EQ(send("activate"), "OK\n");
    EXPECT_EQ(activations.size(), 1);
    EXPECT_TRUE(engine->take().isEmpty()) << "activate runs no command";
}

TEST_F(RemoteServerTest, WrongNamesAndArgumentsAreRefusedWithoutRunning) {
    playing(StatePlaying, 100);
    EXPECT_EQ(send("eject"), "ERR unknown-command\n");
    EXPECT_EQ(send("pause", "now"), "ERR bad-argument\n");
    EXPECT_EQ(send("seek-to"), "ERR bad-argument\n");
    EXPECT_EQ(send("seek-to", "-4"), "ERR bad-argument\n");
    EXPECT_EQ(send("set-speed", "1:30"), "ERR bad-argument\n");
    EXPECT_EQ(send("open", "relative/a.mp3"), "ERR bad-argument\n");
    EXPECT_EQ(send("activate", "x"), "ERR unknown-command\n");
    EXPECT_EQ(send("levelling", "1"), "ERR bad-argument\n");
    EXPECT_EQ(send("channel", "centre"), "ERR bad-argument\n");
    EXPECT_EQ(exchange("MEMOTAP/7 play\n"), "ERR version\n");
    EXPECT_TRUE(engine->take().isEmpty());
    EXPECT_EQ(activations.size(), 0);
}

TEST_F(RemoteServerTest, BrokenClientsGetOneBoundedAnswerAndTheNextIsServed) {
    playing(StatePaused, 100);
    EXPECT_EQ(exchange(QByteArray(8 * 1024, 'a')), "ERR too-long\n");
    // A flood is cut off after the limit (the sender may lose the answer to
    // its own failed write).
    const QByteArray flooded = exchange(QByteArray(1 << 20, 'a'));
    EXPECT_TRUE(flooded.isEmpty() || flooded == "ERR too-long\n") << flooded.toStdString();
    EXPECT_EQ(exchange("MEMOTAP/1 pla"), "ERR timeout\n") << "a half-sent request is dropped";
    QByteArray noise(4000, '\0');
    for (char& c : noise)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    noise[noise.size() - 1] = '\n';
    EXPECT_TRUE(exchange(noise).startsWith("ERR ")) << "random bytes are refused";
    EXPECT_EQ(exchange("MEMOTAP/1 play\nMEMOTAP/1 play\n"), "ERR malformed\n");
    EXPECT_EQ(engine->take(), QStringList{}) << "nothing ran";
    EXPECT_EQ(send("play"), "OK\n");
    EXPECT_TRUE(engine->take().contains("restart"));
}

TEST_F(RemoteServerTest, AClientThatLeavesWhileItsCommandShowsABoxCostsNothing) {
    QLocalServer server;
    ASSERT_TRUE(server.listen(folder.filePath("boxes")));
    QLocalSocket client;
    int answered = 0;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        ServeConnection(server.nextPendingConnection(), [&](const remote::Request&) {
            // A message box's own event loop runs while the client goes away.
            client.abort();
            QTest::qWait(300);
            ++answered;
            return remote::OkAnswer();
        });
    });
    client.connectToServer(folder.filePath("boxes"));
    ASSERT_TRUE(client.waitForConnected(1000));
    client.write(*remote::FormatRequest("play"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered == 1; }, 5000));
    // The answer to nobody is dropped; the server serves the next client.
    EXPECT_EQ(exchange(*remote::FormatRequest("activate")), "OK\n");
}

} // namespace
