#pragma once

#include <atomic>
#include <memory>
#include <string>

struct pw_thread_loop;
struct spa_hook;
struct pw_context;
struct pw_core;
struct pw_loop;

namespace softcam {

// A connection to the session's PipeWire whose loop runs on a thread of its own, for the
// camera's node and for readers of it. The owner makes its streams and sources on loop() before
// start(), and destroys them after stop(); the connection itself goes last.
class PipewireConnection {
public:
    PipewireConnection() = default;
    ~PipewireConnection();
    PipewireConnection(const PipewireConnection&) = delete;
    PipewireConnection& operator=(const PipewireConnection&) = delete;

    // Empty when connected, otherwise why not: connecting fails at once when no PipeWire runs
    // for this session.
    std::string open(const char* threadName);
    bool start();
    // Afterwards nothing runs on the loop's thread any more.
    void stop();

    // Held, nothing runs on the loop's thread; for work on the connection's objects from
    // another thread once started.
    void lock();
    void unlock();

    pw_loop* loop() const;
    pw_core* core() const { return connected; }
    // The daemon went away (it was restarted, or stopped): nothing made on this connection
    // works any more. Any thread.
    bool lost() const { return gone.load(); }
    // Whether the session's PipeWire socket exists: a cheap look before connecting again.
    static bool daemonPresent();

private:
    pw_thread_loop* thread = nullptr;
    pw_context* context = nullptr;
    pw_core* connected = nullptr;
    std::unique_ptr<spa_hook> coreHook;
    std::atomic<bool> gone{false};
};

} // namespace softcam
