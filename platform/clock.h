#pragma once

// The time of day and the two blocking services that go with waiting: the system beep and
// a sleep of the user-interface thread.

#include "model/todo_types.h"

class IClock {
public:
    virtual ~IClock() = default;
    // The local date and time.
    virtual TDateTime Now() const = 0;
    virtual void Beep() = 0;
    // Blocks the calling thread; the window does not respond meanwhile.
    virtual void Sleep(int milliseconds) = 0;
};

class TQtClock : public IClock {
public:
    TDateTime Now() const override;
    void Beep() override;
    void Sleep(int milliseconds) override;
};
