// A client whose player closes while the request is on its way: the player is
// gone, so the client starts one or says none runs, rather than reporting a
// player that did not answer.
#include "core/remote/client.h"
#include "core/remote/request.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// A listener that takes one connection, reads the request and hangs up
// without answering; it stops listening first when told to.
class SilentPlayer {
  public:
    SilentPlayer(const QString& path, bool stopListening) : path_(path.toStdString()) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path_.copy(address.sun_path, sizeof address.sun_path - 1);
        ok_ = listener_ >= 0 &&
              ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ::listen(listener_, 4) == 0;
        if (ok_)
            thread_ = std::thread([this, stopListening] { serveOnce(stopListening); });
    }
    ~SilentPlayer() {
        if (thread_.joinable())
            thread_.join();
        if (listener_ >= 0)
            ::close(listener_);
    }
    bool ok() const { return ok_; }

  private:
    void serveOnce(bool stopListening) {
        const int connection = ::accept(listener_, nullptr, nullptr);
        if (connection < 0)
            return;
        char request[64];
        while (::read(connection, request, sizeof request) == sizeof request) {
        }
        if (stopListening) {
            ::close(listener_);
            listener_ = -1;
        }
        ::close(connection);
    }

    std::string path_;
    int listener_ = -1;
    bool ok_ = false;
    std::thread thread_;
};

TEST(RemoteClient, APlayerThatHangsUpUnansweredCountsAsRunningOnlyWhileItListens) {
    QTemporaryDir folder;
    const QByteArray request = *remote::FormatRequest(QStringLiteral("play"));
    {
        const QString path = folder.filePath(QStringLiteral("closing"));
        SilentPlayer closing(path, true);
        ASSERT_TRUE(closing.ok());
        EXPECT_FALSE(remote::SendRequest(path, request, 5000).has_value());
    }
    {
        const QString path = folder.filePath(QStringLiteral("busy"));
        SilentPlayer busy(path, false);
        ASSERT_TRUE(busy.ok());
        const std::optional<remote::Answer> answer = remote::SendRequest(path, request, 5000);
        ASSERT_TRUE(answer.has_value());
        EXPECT_FALSE(answer->ok);
        EXPECT_EQ(answer->reason, "no-answer");
    }
}

} // namespace
