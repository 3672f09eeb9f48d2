// The channel module (libpellmark-instance-channel.so): the local socket of the
// single-copy rule on QtNetwork.

#include "app/instance_channel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QTimer>

#include "app/instance_message.h"
#include "app/run_once.h"

#if defined(Q_OS_UNIX)
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// A connection that sends nothing useful is dropped after this long.
constexpr int kReadMilliseconds = 5000;
// More connections at once than any burst of real starts; the rest are refused.
constexpr int kMaxIncoming = 16;

using TReceived = std::function<void(const TInstanceMessage&)>;

// Only the user who runs this copy may hand it a command line.
bool PeerIsSameUser(const QLocalSocket& socket) {
#if defined(Q_OS_LINUX)
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED,
                   &credentials, &size) != 0) {
        return false;
    }
    return credentials.uid == geteuid();
#else
    Q_UNUSED(socket);
    return true;
#endif
}

// One connection from another start: collects the message, answers once it has it all.
class TIncoming : public QObject {
public:
    TIncoming(QObject* channel, QLocalSocket* socket, const TReceived& received)
        : QObject(channel), socket_(socket), received_(received) {
        socket_->setParent(this);
        connect(socket_, &QLocalSocket::readyRead, this, &TIncoming::Read);
        connect(socket_, &QLocalSocket::disconnected, this, &TIncoming::Finish);
        connect(socket_, &QLocalSocket::errorOccurred, this, &TIncoming::Finish);
        timeout_.setSingleShot(true);
        connect(&timeout_, &QTimer::timeout, this, &TIncoming::Finish);
        timeout_.start(kReadMilliseconds);
    }
    void Read() {
        if (finished_) {
            return;
        }
        const qint64 room = static_cast<qint64>(kInstanceMessageMax + 1 - bytes_.size());
        bytes_ += socket_->read(room).toStdString();
        try {
            const std::size_t size = InstanceMessageSize(bytes_);
            if (size == 0 || bytes_.size() < size) {
                if (bytes_.size() > kInstanceMessageMax) {
                    Finish();
                }
                return;
            }
            const TInstanceMessage message = DecodeInstanceMessage(bytes_);
            socket_->putChar(kInstanceMessageAck);
            socket_->flush();
            Finish();
            received_(message);
        } catch (const EInstanceMessageError&) {
            Finish();  // ignored: nothing is answered and nothing changes
        }
    }

    void Finish() {
        if (finished_) {
            return;
        }
        finished_ = true;
        timeout_.stop();
        socket_->disconnectFromServer();
        deleteLater();
    }

private:
    QLocalSocket* socket_;
    const TReceived& received_;  // the channel's, which outlives its children
    QTimer timeout_;
    std::string bytes_;
    bool finished_ = false;
};

class TLocalChannel : public QObject, public IInstanceChannel {
public:
    ~TLocalChannel() override {
        // The server goes before the connections it made.
        server_.reset();
    }

    bool Listen(const QString& serverName, TReceived received) override {
        received_ = std::move(received);
        server_ = std::make_unique<QLocalServer>();
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        server_->setMaxPendingConnections(kMaxIncoming);
        // Only the lock holder gets here, so a socket left now belongs to a dead copy.
        QLocalServer::removeServer(serverName);
        connect(server_.get(), &QLocalServer::newConnection, this, &TLocalChannel::NewConnection);
        if (!server_->listen(serverName)) {
            server_.reset();
            return false;
        }
        return true;
    }

    bool Listening() const override { return server_ && server_->isListening(); }

    bool HandOver(const QString& serverName, const std::string& message) const override {
        QLocalSocket socket;
        socket.connectToServer(serverName);
        if (!socket.waitForConnected(500)) {
            return false;
        }
        socket.write(message.data(), static_cast<qint64>(message.size()));
        const QDeadlineTimer deadline(TRunOnce::kAckMilliseconds);
        while (socket.bytesToWrite() > 0) {
            if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
                return false;
            }
        }
        while (socket.bytesAvailable() < 1) {
            if (deadline.hasExpired() ||
                !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                return false;
            }
        }
        char answer = 0;
        return socket.getChar(&answer) && answer == kInstanceMessageAck;
    }

private:
    void NewConnection() {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            int open = 0;
            for (const QObject* child : children()) {
                open += dynamic_cast<const TIncoming*>(child) ? 1 : 0;
            }
            if (open >= kMaxIncoming || !PeerIsSameUser(*socket)) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            auto* incoming = new TIncoming(this, socket, received_);
            // Bytes may have arrived with the connection.
            if (socket->bytesAvailable() > 0) {
                incoming->Read();
            }
        }
    }

    std::unique_ptr<QLocalServer> server_;
    TReceived received_;
};

}  // namespace

extern "C" Q_DECL_EXPORT IInstanceChannel* PellmarkNewInstanceChannel() {
    return new TLocalChannel;
}
