#pragma once

// The local socket of the single-copy rule (run_once.h): the running copy listens on it, a
// later start hands its message over through it. It lives in a module of its own (the
// only part of the program that links QtNetwork), which TRunOnce loads only when it
// listens, after the first window has been painted, or when another copy runs.

#include <QString>
#include <functional>
#include <memory>
#include <string>

struct TInstanceMessage;

class IInstanceChannel {
public:
    virtual ~IInstanceChannel() = default;

    // Listens on the socket `serverName` (owner-only), replacing a socket that is left
    // there. Each whole, well-formed message from a process of the same user is
    // acknowledged and then passed to `received`; anything else is dropped. False when the
    // socket cannot be made.
    virtual bool Listen(const QString& serverName,
                        std::function<void(const TInstanceMessage&)> received) = 0;
    virtual bool Listening() const = 0;
    // Sends the message to the copy listening on `serverName` and waits for its
    // acknowledgement; false when there is none in time.
    virtual bool HandOver(const QString& serverName, const std::string& message) const = 0;
};

// Loads the module and makes a channel. Throws EPellmarkError when the module cannot be
// loaded.
std::unique_ptr<IInstanceChannel> LoadInstanceChannel();

// The module's entry: a new channel, owned by the caller.
extern "C" IInstanceChannel* PellmarkNewInstanceChannel();
using TNewInstanceChannel = IInstanceChannel* (*)();
