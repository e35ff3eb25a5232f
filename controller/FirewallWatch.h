#pragma once

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// The firewall's verdict on incoming phones, asked on a thread of its own rather than the GUI
// thread: on Linux the question runs firewall-cmd, a Python program that takes a good part of a
// second to answer, and on Windows it goes through the firewall service. One question runs at a
// time; asks that come meanwhile make one more after it. The answer comes back on the GUI thread
// through answered().
class FirewallWatch : public QObject {
    Q_OBJECT

public:
    FirewallWatch();
    ~FirewallWatch() override; // waits for a question under way
    FirewallWatch(const FirewallWatch&) = delete;
    FirewallWatch& operator=(const FirewallWatch&) = delete;

    // GUI thread: asks `question` (which runs on the watch's thread) soon.
    void ask(std::function<bool()> question);

Q_SIGNALS:
    void answered(bool blocked);
    // Emitted on the watch's thread; queued to answered() on the thread the watch lives in.
    void reached(bool blocked, QPrivateSignal);

private:
    void run();

    std::mutex lock; // guards the three below
    std::condition_variable wake;
    std::function<bool()> pending;
    bool quitting = false;
    std::thread worker;
};
