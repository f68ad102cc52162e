#pragma once
// Carries a worker's call onto the Qt event loop of the user-interface thread and waits for
// it. The call is delivered by every event loop of that thread, so it also runs while a
// modal dialog is up. Construct it on the user-interface thread, before any worker starts,
// and keep it until the last worker has ended.

#include <QObject>
#include <functional>

#include "sys/Tmainthreadcaller.h"

class TQtMainThreadCaller : public QObject, public TMainThreadCaller {
    Q_OBJECT
public:
    TQtMainThreadCaller() = default;

    // Runs the call at once when already on the user-interface thread. An exception thrown
    // by the call is caught there and rethrown here; a call that could not be delivered
    // (the thread's loop has gone) raises std::runtime_error.
    void CallAndWait(const std::function<void()>& call) override;
};

// Serves the workers' calls on the user-interface thread, with every other event but the
// user's input, until done holds. For an owner that must see a job end before releasing it.
void ServeWorkersUntil(const std::function<bool()>& done);
