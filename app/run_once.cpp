#include "app/run_once.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <exception>

#include "app/instance_message.h"
#include "app/window_activation.h"

#if defined(Q_OS_UNIX)
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// A connection that sends nothing useful is dropped after this long.
constexpr int kReadMilliseconds = 5000;
// More connections at once than any burst of real starts; the rest are refused.
constexpr int kMaxIncoming = 16;

QString SafeName(const QString& name) {
    QString out;
    for (QChar c : name) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('.') || c == QLatin1Char('_') || c == QLatin1Char('-');
        out += plain ? c : QLatin1Char('_');
    }
    return out;
}

QString UserName() {
#if defined(Q_OS_UNIX)
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name) {
        return QString::fromLocal8Bit(pw->pw_name);
    }
    return QString::number(geteuid());
#else
    return qEnvironmentVariable("USERNAME", QStringLiteral("user"));
#endif
}

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

std::vector<std::string> OwnCommandLine() {
    std::vector<std::string> strings;
    const QStringList arguments = QCoreApplication::arguments();
    QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty() && !arguments.isEmpty()) {
        program = arguments.front();
    }
    strings.push_back(program.isEmpty() ? std::string("pellmark")
                                        : program.toLocal8Bit().toStdString());
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        // The running copy has a folder of its own: a file goes over with its whole path.
        const QFileInfo file(arguments[i]);
        const QString argument = file.isFile() ? file.absoluteFilePath() : arguments[i];
        strings.push_back(argument.toLocal8Bit().toStdString());
    }
    return strings;
}

}  // namespace

// One connection from another start: collects the message, answers once it has it all.
class TRunOnce::TIncoming : public QObject {
public:
    TIncoming(TRunOnce* runOnce, QLocalSocket* socket)
        : QObject(runOnce), runOnce_(runOnce), socket_(socket) {
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
            runOnce_->Received(message);
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
    TRunOnce* runOnce_;
    QLocalSocket* socket_;
    QTimer timeout_;
    std::string bytes_;
    bool finished_ = false;
};

TRunOnce::TRunOnce(QWidget* owner, IRunOnceOwner* ownerState)
    : QObject(owner), owner_(owner), ownerState_(ownerState) {
    const QDir folder(ChannelFolder());
    const QString name = ChannelName();
    lockFileName_ = folder.filePath(name + QStringLiteral(".lock"));
    serverName_ = folder.filePath(name + QStringLiteral(".socket"));
    // A socket path must fit into the 108 bytes of a socket address.
    if (QFile::encodeName(serverName_).size() >= 100) {
        const QByteArray hash =
            QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
        serverName_ = folder.filePath(QStringLiteral("pm-") + QString::fromLatin1(hash) +
                                      QStringLiteral(".socket"));
    }
}

TRunOnce::~TRunOnce() {
    destroying_ = true;
    // The socket goes before the lock: a start that takes the lock next must not have its
    // new socket removed by this one closing.
    delete server_;
    server_ = nullptr;
    lock_.reset();
}

QString TRunOnce::ChannelFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder;
}

QString TRunOnce::ChannelName() {
    QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (program.isEmpty()) {
        program = QStringLiteral("pellmark");
    }
    return SafeName(program) + QLatin1Char('-') + SafeName(UserName());
}

bool TRunOnce::Listening() const {
    return server_ && server_->isListening();
}

bool TRunOnce::Start() {
    return Start(OwnCommandLine());
}

bool TRunOnce::Start(const std::vector<std::string>& commandLine) {
    if (started_) {
        return running_;
    }
    started_ = true;
    lock_ = std::make_unique<QLockFile>(lockFileName_);
    // The lock is held for the whole run: only a dead holder makes it stale, never age.
    lock_->setStaleLockTime(0);

    std::string message;
    try {
        message = EncodeInstanceMessage(commandLine, StartupActivationToken().toStdString());
    } catch (const EInstanceMessageError&) {
        message = EncodeInstanceMessage(OwnCommandLine(), StartupActivationToken().toStdString());
    }

    const QDeadlineTimer deadline(kConnectMilliseconds);
    for (;;) {
        if (lock_->tryLock(0)) {
            Listen();
            return running_ = true;
        }
        // A lock that cannot even be tried (no runtime folder, no rights) leaves the
        // program without the rule rather than without a program.
        if (lock_->error() != QLockFile::LockFailedError) {
            return running_ = true;
        }
        if (HandOver(message)) {
            return running_ = false;
        }
        // The holder is starting, ending, or hung: try again for a while, then run.
        if (deadline.hasExpired()) {
            return running_ = true;
        }
        QThread::msleep(50);
    }
}

void TRunOnce::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(kMaxIncoming);
    // Only the lock holder gets here, so a socket left now belongs to a dead copy.
    QLocalServer::removeServer(serverName_);
    connect(server_, &QLocalServer::newConnection, this, &TRunOnce::NewConnection);
    if (!server_->listen(serverName_)) {
        delete server_;
        server_ = nullptr;
    }
}

bool TRunOnce::HandOver(const std::string& message) const {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(500)) {
        return false;
    }
    socket.write(message.data(), static_cast<qint64>(message.size()));
    const QDeadlineTimer deadline(kAckMilliseconds);
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

void TRunOnce::NewConnection() {
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
        auto* incoming = new TIncoming(this, socket);
        // Bytes may have arrived with the connection.
        if (socket->bytesAvailable() > 0) {
            incoming->Read();
        }
    }
}

void TRunOnce::Received(const TInstanceMessage& message) {
    if (destroying_) {
        return;
    }
    if (owner_ && !(ownerState_ && ownerState_->InTray())) {
        ActivateWindow(owner_, QByteArray::fromStdString(message.ActivationToken));
    }
    if (!OnOtherInstance) {
        return;
    }
    try {
        OnOtherInstance(this, static_cast<unsigned>(message.ParamStr.size() - 1), message.ParamStr);
    } catch (const std::exception& error) {
        if (OnError) {
            OnError(this, QString::fromUtf8(error.what()));
        }
    }
}
