#include "controller/FirewallWatch.h"

#include <utility>

FirewallWatch::FirewallWatch()
{
    // Qt carries the answer across: a watch destroyed before it arrives takes it along.
    connect(this, &FirewallWatch::reached, this, &FirewallWatch::answered, Qt::QueuedConnection);
    worker = std::thread(&FirewallWatch::run, this);
}

FirewallWatch::~FirewallWatch()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        quitting = true;
    }
    wake.notify_one();
    worker.join();
}

void FirewallWatch::ask(std::function<bool()> question)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        pending = std::move(question);
    }
    wake.notify_one();
}

void FirewallWatch::run()
{
    for (;;) {
        std::function<bool()> question;
        {
            std::unique_lock<std::mutex> guard(lock);
            wake.wait(guard, [this] { return pending || quitting; });
            if (quitting)
                return;
            question = std::exchange(pending, nullptr);
        }
        Q_EMIT reached(question(), QPrivateSignal());
    }
}
