#pragma once

// Keeps the program to one running copy per user and executable file name.
//
// The first copy takes a lock file in the user's runtime folder and listens on a local
// socket beside it (owner-only). A later start that cannot take the lock connects, hands
// over its command line and its activation token, waits until the running copy has read
// them, and is told by Start() to quit. The running copy brings its main window to the
// front, unless the window sits in the notification area, and raises OnOtherInstance.
//
// A copy of the executable under another file name has its own lock and socket and runs
// separately. A copy that crashed leaves a stale lock and socket; the next start takes
// the lock over and replaces the socket.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class IInstanceChannel;
class QLockFile;
class QWidget;
class TRunOnce;
struct TInstanceMessage;

// What the single-copy rule asks of the main window.
class IRunOnceOwner {
public:
    virtual ~IRunOnceOwner() = default;
    // True while the window sits in the notification area (the tray state "min"): another
    // start then leaves it there.
    virtual bool InTray() const = 0;
};

// ParamStr[0] is the other start's program path; paramCount is the number of the others.
using TOnOtherInstance = std::function<void(TRunOnce* sender, unsigned paramCount,
                                            const std::vector<std::string>& paramStr)>;

class TRunOnce : public QObject {
    Q_OBJECT

public:
    // owner: the main window brought to the front (may be null); ownerState tells whether
    // it sits in the notification area (null: never).
    explicit TRunOnce(QWidget* owner, IRunOnceOwner* ownerState = nullptr);
    ~TRunOnce() override;

    // Looks for a running copy. Returns true when this start is the one to run (it is the
    // running copy now, or the single-copy rule cannot work here), false when it has
    // handed its command line over to the running copy: the caller then quits without
    // the exit flow. Blocks for at most a few seconds while a running copy is starting.
    bool Start();
    // The same with a given command line (program path first) in the 8-bit code page.
    bool Start(const std::vector<std::string>& commandLine);

    // Called before Start(): the running copy takes the lock in Start() but listens only
    // from Listen() on, so that the socket's module is loaded after the window shows.
    // Other starts keep trying to hand over until then (kConnectMilliseconds).
    void DeferListening();
    // Starts listening, once, if this is the running copy.
    void Listen();

    // Raised in the running copy for each other start, after its window came forward.
    TOnOtherInstance OnOtherInstance;
    // Where an error raised by OnOtherInstance goes (the application's error handler);
    // empty: it is dropped and the program goes on.
    std::function<void(TRunOnce* sender, const QString& message)> OnError;

    // Whether this copy is the running copy and listens for other starts.
    bool Listening() const;
    // The lock file and the socket this executable and user use.
    QString LockFileName() const { return lockFileName_; }
    QString ServerName() const { return serverName_; }

    // The folder of lock and socket: the user's runtime folder.
    static QString ChannelFolder();
    // "<executable file name>-<user>", with characters outside [A-Za-z0-9._-] as '_'.
    static QString ChannelName();

    // How long a second start keeps trying to reach a running copy that holds the lock,
    // and how long it waits for the acknowledgement.
    static constexpr int kConnectMilliseconds = 3000;
    static constexpr int kAckMilliseconds = 10000;

private:
    bool HandOver(const std::string& message);
    void Received(const TInstanceMessage& message);

    QPointer<QWidget> owner_;
    IRunOnceOwner* ownerState_;
    QString lockFileName_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<IInstanceChannel> channel_;  // loaded to listen or to hand over
    bool deferListening_ = false;
    bool started_ = false;
    bool running_ = true;
    bool destroying_ = false;
};
