#include "app/run_once.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>
#include <exception>

#include "app/instance_channel.h"
#include "app/instance_message.h"
#include "app/window_activation.h"
#include "platform/module_loader.h"

#if defined(Q_OS_UNIX)
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

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
        strings.push_back(arguments[i].toLocal8Bit().toStdString());
    }
    return strings;
}

}  // namespace

std::unique_ptr<IInstanceChannel> LoadInstanceChannel() {
    auto create = reinterpret_cast<TNewInstanceChannel>(
        ResolveModuleSymbol("pellmark-instance-channel", "PellmarkNewInstanceChannel"));
    return std::unique_ptr<IInstanceChannel>(create());
}

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
    channel_.reset();
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
    return channel_ && channel_->Listening();
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
            if (!deferListening_) {
                Listen();
            }
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

void TRunOnce::DeferListening() {
    deferListening_ = true;
}

void TRunOnce::Listen() {
    if (!started_ || !running_ || !lock_ || !lock_->isLocked() || Listening()) {
        return;
    }
    try {
        if (!channel_) {
            channel_ = LoadInstanceChannel();
        }
        if (!channel_->Listen(serverName_,
                              [this](const TInstanceMessage& message) { Received(message); })) {
            channel_.reset();
        }
    } catch (const EPellmarkError&) {
        channel_.reset();  // without the channel the program runs on without the rule
    }
}

bool TRunOnce::HandOver(const std::string& message) {
    if (!channel_) {
        try {
            channel_ = LoadInstanceChannel();
        } catch (const EPellmarkError&) {
            return false;
        }
    }
    return channel_->HandOver(serverName_, message);
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
