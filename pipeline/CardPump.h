#pragma once

#include <QImage>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class CameraOutput;

// While no live video flows, a thread of its own sends the session's status card to the camera
// 30 times a second. The GUI thread starts and stops it, and may give it a new card while it
// runs (new pairing data); a card that does not match the camera's size is sent as a blank.
class CardPump {
public:
    explicit CardPump(CameraOutput& camera);
    ~CardPump() { stop(); }
    CardPump(const CardPump&) = delete;
    CardPump& operator=(const CardPump&) = delete;

    // Reads the camera's size once; the camera must keep it until stop().
    void start();
    // Blocks until the thread has seen it: at most one period and one send.
    void stop();
    // A BGR888 picture, copied.
    void setCard(const QImage& card);

private:
    void run();

    CameraOutput& camera;
    std::thread thread;
    std::atomic<bool> running{false};
    std::vector<unsigned char> card; // guarded by cardLock
    std::mutex cardLock;
};
