#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace quillet {

// Reads or writes one piece at a time on a thread of its own, so that the kernel's copy of a
// piece runs beside the work on the piece before or after it. The thread starts with the first
// piece and is joined by stop() or when the object goes. Each side spins a little before it
// sleeps: pieces follow each other closely, and waking a sleeping thread costs more than one.
class IoThread
{
public:
    IoThread() = default;
    ~IoThread();
    IoThread(const IoThread &) = delete;
    IoThread &operator=(const IoThread &) = delete;

    /// Waits for the piece under way, then starts writing size bytes of data to descriptor; data
    /// must stay as it is until the next wait. Returns what wait() would have of the piece
    /// waited for.
    int startWrite(int descriptor, const char *data, std::size_t size);
    /// Waits for the piece under way, then starts reading up to size bytes from descriptor into
    /// data, which must be left alone until the next wait.
    void startRead(int descriptor, char *data, std::size_t size);
    /// Waits for the piece under way; returns its system's error number, 0 when it went well or
    /// there was none.
    int wait();
    /// As wait(); also gives the bytes the piece read (0 at the end of the file).
    int wait(long long &count);
    /// Waits for the piece under way and ends the thread; the next piece starts another.
    void stop();

private:
    struct Piece
    {
        bool isRead = false;
        int descriptor = -1;
        char *data = nullptr;
        std::size_t size = 0;
    };

    static int perform(const Piece &piece, long long &count);
    int start(const Piece &piece);
    int waitLocked(std::unique_lock<std::mutex> &lock, long long &count);
    template <class Done>
    void sleep(std::atomic<int> &ownProcessor, std::unique_lock<std::mutex> &lock, Done done);
    void work();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Piece m_piece;
    // Changed under m_mutex; read without it while a thread spins.
    std::atomic<bool> m_busy = false;
    std::atomic<bool> m_quit = false;
    // Where each side last ran, -1 when unknown: a side spins only while the other runs elsewhere.
    std::atomic<int> m_callerProcessor = -1;
    std::atomic<int> m_workerProcessor = -1;
    bool m_noThread = false; // none could be started: pieces are done by the caller
    int m_error = 0;
    long long m_count = 0;
    std::thread m_thread;
};

} // namespace quillet
