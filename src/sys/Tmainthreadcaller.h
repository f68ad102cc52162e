#pragma once
// How a worker reaches the user-interface thread: the call runs there, and the worker waits
// until it has returned. The desktop program carries it over Qt's event loop; the command
// line and the tests over TEventLoop.

#include <functional>

class TMainThreadCaller {
public:
    virtual ~TMainThreadCaller() = default;
    // Runs the call on the user-interface thread and returns when it has run. An exception
    // thrown by the call is rethrown here, on the calling thread.
    virtual void CallAndWait(const std::function<void()>& call) = 0;
};
