#include "softcam/CameraReader.h"
#include "softcam/ComponentLog.h"
#include "softcam/SharedFramePublisher.h"
#include "softcam/SoftCamera.h"
#include "softcam/StreamingCopy.h"
#include "video/YuvToBgr.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace softcam;

namespace {

// Every byte of frame n of a w-wide camera holds this value, so a frame stitched from two
// writes, or paired with the wrong size, shows.
unsigned char fillOf(std::uint64_t number, int width)
{
    return static_cast<unsigned char>((number * 7 + std::uint64_t(width)) % 251);
}

bool uniform(const CameraFrame& frame)
{
    if (frame.bgr.size() != frameBytes(frame.width, frame.height))
        return false;
    const unsigned char expected = fillOf(frame.number, frame.width);
    for (unsigned char byte : frame.bgr)
        if (byte != expected)
            return false;
    return true;
}

// A reader of `name` gets the first 16x16 frame that `publisher` publishes.
bool readersGet(SharedFramePublisher& publisher, const std::string& name)
{
    const std::vector<unsigned char> bgr(frameBytes(16, 16), fillOf(1, 16));
    publisher.publish(bgr.data());
    CameraReader reader(name);
    CameraFrame frame;
    return reader.readNewFrame(frame) && uniform(frame);
}

// What the component logs while `work` runs.
template <typename Work> std::string saidWhile(Work work)
{
    std::string said;
    setLogCallback([](const char* line, void* to) { *static_cast<std::string*>(to) += line; },
                   &said);
    work();
    setLogCallback(nullptr, nullptr);
    return said;
}

// Runs `work` in a child process as user and group "nobody", the other user of a shared machine,
// and returns its exit code. Switching users needs root, which the test suite runs as here.
template <typename Work> int asOtherUser(Work work)
{
    const pid_t child = fork();
    if (child == 0) {
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
            _exit(99);
        _exit(work());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct stat statOf(const std::string& segment)
{
    struct stat st {};
    const int fd = shm_open(segment.c_str(), O_RDONLY, 0);
    if (fd >= 0) {
        fstat(fd, &st);
        close(fd);
    }
    return st;
}

} // namespace

class SharedFrameTest : public QObject {
    Q_OBJECT

    std::string name;

private Q_SLOTS:
    void init()
    {
        static int serial = 0;
        name = "/vidlet-test-shared-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    }

    void cleanup()
    {
        for (int index = 0; index < kSegmentNames; ++index) {
            shm_unlink(segmentCandidate(name, index).c_str());
            rmdir(("/dev/shm" + segmentCandidate(name, index)).c_str()); // what a test planted
        }
    }

    void readerNeverSeesTornFrameWhileWriterChangesSize()
    {
        const std::vector<std::pair<int, int>> sizes = {{320, 240}, {64, 48}, {640, 360}};
        std::atomic<int> sizesSeen{0}; // bit i: the reader saw a frame of sizes[i]
        std::atomic<bool> writerDone{false};
        std::atomic<int> writerFailures{0};

        std::thread writer([&] {
            for (std::size_t i = 0; i < sizes.size(); ++i) {
                const auto [w, h] = sizes[i];
                SharedFramePublisher publisher;
                if (!publisher.open(name, w, h, 30.0f)) {
                    ++writerFailures;
                    continue;
                }
                std::vector<unsigned char> frame(frameBytes(w, h));
                const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                // Many frames back to back, so reads and writes overlap as often as they can.
                for (std::uint64_t n = 1; n <= 300
                     || (!(sizesSeen.load() & (1 << i))
                         && std::chrono::steady_clock::now() < giveUp);
                     ++n) {
                    std::memset(frame.data(), fillOf(n, w), frame.size());
                    publisher.publish(frame.data());
                }
            }
            writerDone = true;
        });

        CameraReader reader(name);
        CameraFrame frame;
        int torn = 0;
        int backwards = 0;
        int reads = 0;
        std::uint64_t lastNumber = 0;
        int lastWidth = 0;
        while (!writerDone.load()) {
            if (!reader.readNewFrame(frame))
                continue;
            ++reads;
            torn += uniform(frame) ? 0 : 1;
            if (frame.width == lastWidth && frame.number <= lastNumber)
                ++backwards;
            lastWidth = frame.width;
            lastNumber = frame.number;
            for (std::size_t i = 0; i < sizes.size(); ++i)
                if (frame.width == sizes[i].first && frame.height == sizes[i].second)
                    sizesSeen |= 1 << int(i);
        }
        writer.join();

        QCOMPARE(writerFailures.load(), 0);
        QVERIFY(reads > 0);
        QCOMPARE(torn, 0);
        QCOMPARE(backwards, 0);
        QCOMPARE(sizesSeen.load(), 0b111);
    }

    void readerFollowsCameraAcrossRestart()
    {
        CameraReader reader(name);
        QVERIFY(!reader.attach());
        CameraFrame frame;
        {
            SharedFramePublisher first;
            QVERIFY(first.open(name, 64, 48, 30.0f));
            QVERIFY(reader.attach());
            QVERIFY(!reader.readNewFrame(frame)); // nothing published yet
            std::vector<unsigned char> bgr(frameBytes(64, 48), fillOf(1, 64));
            first.publish(bgr.data());
            QVERIFY(reader.readNewFrame(frame));
            QVERIFY(!reader.readNewFrame(frame)); // nothing newer
        }
        QVERIFY(!reader.attach()); // the camera is gone

        SharedFramePublisher second;
        QVERIFY(second.open(name, 32, 16, 15.0f));
        std::vector<unsigned char> bgr(frameBytes(32, 16), fillOf(1, 32));
        second.publish(bgr.data());
        QVERIFY(reader.readNewFrame(frame));
        QCOMPARE(frame.width, 32);
        QCOMPARE(frame.height, 16);
        QCOMPARE(frame.number, std::uint64_t(1));
        QCOMPARE(reader.frameRate(), 15.0f);
        QVERIFY(uniform(frame));
    }

    // Every size the decoder delivers, odd ones and portrait 4K included, and nothing larger.
    void takesEverySizeTheDecoderDelivers_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("valid");
        QTest::newRow("1x1") << 1 << 1 << true;
        QTest::newRow("odd") << 641 << 359 << true;
        QTest::newRow("4K") << 4096 << 2304 << true;
        QTest::newRow("portrait 4K") << 2160 << 3840 << true;
        QTest::newRow("one row more than 4K") << 4096 << 2305 << false;
        QTest::newRow("8K") << 7680 << 4320 << false;
        QTest::newRow("side too long") << 4097 << 16 << false;
        QTest::newRow("empty") << 0 << 16 << false;
    }

    void takesEverySizeTheDecoderDelivers()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, valid);
        QCOMPARE(validCameraSize(width, height), valid);
    }

    // What lets the camera skip converting a frame it was given again.
    void knowsAFrameItPublishedLast()
    {
        SharedFramePublisher publisher;
        QVERIFY(publisher.open(name, 5, 3, 30.0f));
        std::vector<unsigned char> frame(frameBytes(5, 3), 0x40);
        QVERIFY(!publisher.repeatsLatest(frame.data())); // nothing published yet
        publisher.publish(frame.data());
        QVERIFY(publisher.repeatsLatest(frame.data()));
        frame.back() = 0x41;
        QVERIFY(!publisher.repeatsLatest(frame.data()));
        publisher.publish(frame.data());
        QVERIFY(publisher.repeatsLatest(frame.data()));
    }

    void secondWriterIsRefused()
    {
        SharedFramePublisher first;
        QVERIFY(first.open(name, 16, 16, 30.0f));
        SharedFramePublisher second;
        QVERIFY(!second.open(name, 16, 16, 30.0f));
    }

    void heartbeatMarksReaderPresent()
    {
        SharedFramePublisher publisher;
        QVERIFY(publisher.open(name, 16, 16, 30.0f));
        QVERIFY(!publisher.readerSeenWithin(std::chrono::seconds(10)));
        CameraReader reader(name);
        QVERIFY(reader.attach());
        QVERIFY(publisher.readerSeenWithin(std::chrono::seconds(10)));
        QTRY_VERIFY(!publisher.readerSeenWithin(std::chrono::milliseconds(1))); // it ages
    }

    // Every alignment of the destination, lengths around the 16-byte stores and 64-byte rounds.
    void copyPastCacheKeepsEveryByte()
    {
        std::vector<unsigned char> from(300), to(320);
        for (std::size_t i = 0; i < from.size(); ++i)
            from[i] = static_cast<unsigned char>(i * 7 + 1);
        for (std::size_t offset = 0; offset < 16; ++offset) {
            for (std::size_t bytes : {0, 1, 15, 16, 17, 63, 64, 65, 128, 129, 299}) {
                std::fill(to.begin(), to.end(), 0);
                copyPastCache(to.data() + offset, from.data() + 1, bytes);
                QVERIFY(
                    std::equal(from.begin() + 1, from.begin() + 1 + bytes, to.begin() + offset));
                QVERIFY(std::all_of(to.begin() + offset + bytes, to.end(),
                                    [](unsigned char b) { return b == 0; }));
            }
        }
    }

    // Unread, the segment gets a frame a second; a reader gets every frame from its first poll.
    // I420 planes are converted only for the frames the segment gets, each the picture sent
    // then, not one converted before.
    void unreadCameraRefreshesItsSegmentOnceASecond_data()
    {
        QTest::addColumn<bool>("i420");
        QTest::newRow("BGR frames") << false;
        QTest::newRow("I420 planes") << true;
    }

    void unreadCameraRefreshesItsSegmentOnceASecond()
    {
        QFETCH(bool, i420);
        std::uint64_t now = 5'000'000'000;
        const auto camera = SoftCamera::create(name, 2, 2, 30.0f);
        QVERIFY(camera);
        camera->setClock([&now] { return now; });
        const unsigned char u = 90, v = 170;
        // The frame sent as `value`, as the segment shows it.
        auto shown = [&](unsigned char value) {
            std::vector<unsigned char> frame(frameBytes(2, 2), value);
            if (i420) {
                const std::vector<unsigned char> y(4, value);
                YuvToBgr::fromI420(y.data(), 2, &u, 1, &v, 1, 2, 2, frame.data());
            }
            return frame;
        };
        auto send = [&](unsigned char value, std::uint64_t afterMs) {
            now += afterMs * 1'000'000;
            const std::vector<unsigned char> frame(frameBytes(2, 2), value);
            if (i420)
                camera->sendI420(I420Planes{frame.data(), 2, &u, 1, &v, 1});
            else
                camera->sendFrame(frame.data());
        };
        send(40, 0);
        send(80, 500);
        send(120, 500); // a second after the first
        send(160, 200);
        CameraReader reader(name);
        CameraFrame frame;
        QVERIFY(reader.readNewFrame(frame));
        QVERIFY(frame.bgr == shown(120));
        send(200, 10);
        QVERIFY(reader.readNewFrame(frame));
        QVERIFY(frame.bgr == shown(200));
        QVERIFY(shown(120) != shown(200));
    }

    void segmentOfDeadCameraIsIgnoredThenReplaced()
    {
        // A camera whose process died without deleting it leaves a Live segment behind.
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            auto* publisher = new SharedFramePublisher; // never destroyed, as in a crash
            std::vector<unsigned char> bgr(frameBytes(16, 16), fillOf(1, 16));
            if (publisher->open(name, 16, 16, 30.0f))
                publisher->publish(bgr.data());
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        const int left = shm_open(name.c_str(), O_RDONLY, 0);
        QVERIFY(left >= 0);
        close(left);

        CameraReader reader(name);
        QVERIFY(!reader.attach());
        SharedFramePublisher next;
        QVERIFY(next.open(name, 48, 32, 30.0f));
        QVERIFY(reader.attach());
        QCOMPARE(reader.width(), 48);
    }

    // Another user who takes the camera's name first gets nothing: the camera moves to the next
    // name, never writes into their segment or deletes it, and readers follow it there.
    void segmentOfAnotherUserIsPassedOver_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("size");
        QTest::newRow("empty, open to all") << 0666 << 0;
        QTest::newRow("filled, open to all") << 0666 << int(segmentBytes(frameBytes(16, 16)));
        QTest::newRow("private to them") << 0600 << 0;
    }

    void segmentOfAnotherUserIsPassedOver()
    {
        if (geteuid() != 0)
            QSKIP("simulating a second user needs root");
        QFETCH(int, mode);
        QFETCH(int, size);
        QCOMPARE(asOtherUser([&] {
                     const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
                     return fd >= 0 && fchmod(fd, mode_t(mode)) == 0 && ftruncate(fd, size) == 0
                         ? 0
                         : 1;
                 }),
                 0);
        {
            SharedFramePublisher publisher;
            bool opened = false;
            const std::string said =
                saidWhile([&] { opened = publisher.open(name, 16, 16, 30.0f); });
            QVERIFY(opened);
            QVERIFY2(said.find("belongs to someone else") != std::string::npos, said.c_str());
            const std::vector<unsigned char> bgr(frameBytes(16, 16), fillOf(1, 16));
            publisher.publish(bgr.data());
            const struct stat used = statOf(segmentCandidate(name, 1));
            QCOMPARE(used.st_uid, geteuid());
            QCOMPARE(used.st_mode & 0777, mode_t(0600));
            CameraReader reader(name);
            CameraFrame frame;
            QVERIFY(reader.readNewFrame(frame));
            QVERIFY(uniform(frame));
        }
        const struct stat planted = statOf(name);
        QCOMPARE(planted.st_uid, uid_t(65534));
        QCOMPARE(planted.st_size, off_t(size));
        QCOMPARE(statOf(segmentCandidate(name, 1)).st_nlink, nlink_t(0));
    }

    // A live camera of another user, under the name this user's readers look at, is not read.
    // Something else planted at the camera's name, by anyone, takes only that name: the camera
    // opens at the next one and readers follow it there.
    void whateverBlocksTheNameIsPassedOver_data()
    {
        QTest::addColumn<bool>("link");
        QTest::newRow("a directory") << false;
        QTest::newRow("a symbolic link") << true;
    }

    void whateverBlocksTheNameIsPassedOver()
    {
        QFETCH(bool, link);
        const std::string path = "/dev/shm" + name;
        QCOMPARE(link ? symlink("/dev/null", path.c_str()) : mkdir(path.c_str(), 0700), 0);
        {
            SharedFramePublisher publisher;
            QVERIFY(publisher.open(name, 16, 16, 30.0f));
            QVERIFY(readersGet(publisher, name));
        }
    }

    // A neighbour who takes all the fixed names (eight `touch`es, here directories) does not
    // deny the camera: it takes a name nobody can guess, private to the user, and readers find
    // it through a pointer in the user's runtime folder, which goes with the camera. Without a
    // runtime folder of the user's alone there is no pointer, and the camera says why it
    // cannot open. A second camera of the user is refused there as at a fixed name.
    void takingEveryFixedNameDeniesNothing_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::newRow("private runtime folder") << 0700;
        QTest::newRow("runtime folder open to others") << 0755;
    }

    void takingEveryFixedNameDeniesNothing()
    {
        QFETCH(int, folderMode);
        QTemporaryDir runtime;
        QVERIFY(chmod(QFile::encodeName(runtime.path()).constData(), mode_t(folderMode)) == 0);
        const QByteArray before = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", before); });
        for (int index = 0; index < kSegmentNames; ++index)
            QCOMPARE(mkdir(("/dev/shm" + segmentCandidate(name, index)).c_str(), 0700), 0);
        const QString pointer = runtime.path() + QString::fromStdString(name) + ".segment";
        {
            SharedFramePublisher publisher;
            bool opened = false;
            const std::string said =
                saidWhile([&] { opened = publisher.open(name, 16, 16, 30.0f); });
            if (folderMode != 0700) {
                QVERIFY(!opened);
                QVERIFY2(said.find("belongs to someone else") != std::string::npos, said.c_str());
                QVERIFY(!QFile::exists(pointer));
                return;
            }
            QVERIFY2(opened, said.c_str());
            const QFileInfo info(pointer);
            QVERIFY(info.isFile());
            QCOMPARE(
                info.permissions()
                    & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                QFile::Permissions());
            QFile file(pointer);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const std::string used = file.readAll().toStdString();
            QVERIFY2(used.size() > name.size() + 16, used.c_str());
            QCOMPARE(statOf(used).st_mode & 0777, mode_t(0600));
            QVERIFY(readersGet(publisher, name));
            SharedFramePublisher second;
            QVERIFY(!second.open(name, 16, 16, 30.0f)); // one camera a user, as at a fixed name
            QVERIFY(file.seek(0));
            QCOMPARE(file.readAll().toStdString(), used);
        }
        QVERIFY(!QFile::exists(pointer));
    }

    void readerRefusesAnotherUsersCamera()
    {
        if (geteuid() != 0)
            QSKIP("simulating a second user needs root");
        int ready[2], done[2];
        QVERIFY(pipe(ready) == 0 && pipe(done) == 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
                _exit(99);
            SharedFramePublisher publisher;
            const std::vector<unsigned char> bgr(frameBytes(16, 16), fillOf(1, 16));
            const char ok = publisher.open(name, 16, 16, 30.0f) ? 1 : 0;
            publisher.publish(bgr.data());
            char byte = 0;
            if (write(ready[1], &ok, 1) != 1 || read(done[0], &byte, 1) < 0)
                _exit(98);
            _exit(0);
        }
        char ok = 0;
        QCOMPARE(read(ready[0], &ok, 1), ssize_t(1));
        CameraReader reader(name);
        CameraFrame frame;
        const bool attached = reader.attach() || reader.readNewFrame(frame);
        const char byte = 1;
        QCOMPARE(write(done[1], &byte, 1), ssize_t(1));
        int status = 0;
        waitpid(child, &status, 0);
        for (int fd : {ready[0], ready[1], done[0], done[1]})
            close(fd);
        QCOMPARE(ok, char(1));
        QVERIFY(!attached);
    }

    // Every reader maps the segment writable. Another process scribbling random bytes over the
    // whole header (slot index, sequences, sizes, counters) while the camera publishes must not
    // move the camera's writes, which would crash it or overwrite its own memory.
    void writerIgnoresWhatReadersWrite()
    {
        SharedFramePublisher publisher;
        QVERIFY(publisher.open(name, 64, 48, 30.0f));
        // Rounds of scribbling done, and the signal to stop: shared with the child.
        auto* shared = static_cast<std::atomic<std::uint64_t>*>(
            mmap(nullptr, 2 * sizeof(std::uint64_t), PROT_READ | PROT_WRITE,
                 MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        QVERIFY(shared != MAP_FAILED);
        std::atomic<std::uint64_t>& rounds = shared[0];
        std::atomic<std::uint64_t>& stop = shared[1];
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL); // a crashed camera takes its scribbler along
            const int fd = shm_open(name.c_str(), O_RDWR, 0);
            void* map = fd < 0
                ? MAP_FAILED
                : mmap(nullptr, kHeaderBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (map == MAP_FAILED)
                _exit(1);
            auto* bytes = static_cast<volatile unsigned char*>(map);
            std::uint64_t random = 0x9E3779B97F4A7C15u;
            while (stop.load() == 0) {
                for (int i = 0; i < 64; ++i) {
                    random = random * 6364136223846793005u + 1442695040888963407u;
                    bytes[(random >> 33) % sizeof(SharedFrameHeader)] = std::uint8_t(random >> 56);
                }
                rounds.fetch_add(1);
            }
            _exit(0);
        }
        // Publishes until the child has scribbled through many of the frames, on one core or two.
        bool kept = true;
        std::uint64_t n = 0;
        while ((n < 3000 || rounds.load() < 20000) && n < 1000000) {
            ++n;
            const std::vector<unsigned char> bgr(frameBytes(64, 48), fillOf(n, 64));
            publisher.publish(bgr.data());
            kept = kept && publisher.repeatsLatest(bgr.data());
        }
        stop.store(1);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        munmap(shared, 2 * sizeof(std::uint64_t));
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(kept);
    }

    // A program of the user's that cuts the segment short under the camera must not crash it
    // with SIGBUS.
    void segmentCutShortCannotCrashTheWriter()
    {
        SharedFramePublisher publisher;
        QVERIFY(publisher.open(name, 64, 48, 30.0f));
        const std::vector<unsigned char> bgr(frameBytes(64, 48), fillOf(1, 64));
        publisher.publish(bgr.data());
        const pid_t cutter = fork();
        if (cutter == 0) {
            const int fd = shm_open(name.c_str(), O_RDWR, 0);
            _exit(fd >= 0 && ftruncate(fd, 0) == 0 ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(cutter, &status, 0), cutter);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);

        const std::string said = saidWhile([&] {
            for (int i = 0; i < 3; ++i)
                publisher.publish(bgr.data());
        });
        QVERIFY2(said.find("was cut short") != std::string::npos, said.c_str());
        QVERIFY(!publisher.readerSeenWithin(std::chrono::hours(1)));
    }

    // A SIGBUS sent by another program (kill -BUS) is none of the guard's business: with the
    // signal ignored beforehand it stays ignored and the guard still catches the next cut; with
    // the default action it ends the process, as it would without the guard. In a plain child
    // program: the test's own crash handler would take the signal here.
    void aSentBusSignalIsTreatedAsWithoutTheGuard_data()
    {
        QTest::addColumn<bool>("ignored");
        QTest::newRow("ignored before") << true;
        QTest::newRow("default action") << false;
    }

    void aSentBusSignalIsTreatedAsWithoutTheGuard()
    {
        QFETCH(bool, ignored);
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
        if (!ignored)
            QSKIP("a sanitizer handles SIGBUS itself: ThreadSanitizer delivers it late, "
                  "AddressSanitizer reports it and aborts");
#endif
        const std::string program =
            (QCoreApplication::applicationDirPath() + QStringLiteral("/bus-signal-child"))
                .toStdString();
        std::string segment = name;
        std::string disposition = ignored ? "ignored" : "default";
        char* arguments[] = {const_cast<char*>(program.c_str()), segment.data(), disposition.data(),
                             nullptr};
        pid_t child = 0;
        QCOMPARE(posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, environ), 0);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        if (ignored) {
            QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0,
                     qPrintable(QString::number(status)));
        } else {
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(WTERMSIG(status), SIGBUS);
        }
    }

    void hostileHeaderIsRejected_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<quint64>("slotBytes");
        QTest::addColumn<quint32>("magic");
        QTest::newRow("slots beyond the segment") << 640 << 480 << quint64(640 * 480 * 3) << kMagic;
        QTest::newRow("slot size disagrees") << 8 << 8 << quint64(1) << kMagic;
        QTest::newRow("negative size") << -8 << 8 << quint64(0) << kMagic;
        QTest::newRow("wrong magic") << 8 << 8 << quint64(8 * 8 * 3) << 0u;
    }

    void hostileHeaderIsRejected()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(quint64, slotBytes);
        QFETCH(quint32, magic);
        const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(ftruncate(fd, off_t(segmentBytes(8 * 8 * 3))), 0);
        void* map = mmap(nullptr, kHeaderBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        QVERIFY(map != MAP_FAILED);
        auto* header = static_cast<SharedFrameHeader*>(map);
        header->magic = magic;
        header->version = kVersion;
        header->width = width;
        header->height = height;
        header->writerPid = getpid();
        header->slotBytes = slotBytes;
        header->state.store(Live);
        header->frameCount.store(1);
        munmap(map, kHeaderBytes);

        CameraReader reader(name);
        CameraFrame frame;
        QVERIFY(!reader.attach());
        QVERIFY(!reader.readNewFrame(frame));
    }
};

QTEST_GUILESS_MAIN(SharedFrameTest)
#include "SharedFrameTest.moc"
