#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace quillet {

// Writes one piece at a time on a thread of its own, so that the kernel's copy of a piece into
// the file runs beside the work that fills the next. The thread starts with the first piece and
// is stopped and joined when the object goes.
class WriteBehind
{
public:
    WriteBehind() = default;
    ~WriteBehind();
    WriteBehind(const WriteBehind &) = delete;
    WriteBehind &operator=(const WriteBehind &) = delete;

    /// Waits for the piece under way, then starts writing size bytes of data to descriptor; data
    /// must stay as it is until the next start or wait. Returns the system's error number of the
    /// piece waited for, 0 when it was written.
    int start(int descriptor, const char *data, std::size_t size);
    /// Waits for the piece under way; returns its system's error number, 0 when it was written
    /// or there was none.
    int wait();

private:
    void work();
    int waitLocked(std::unique_lock<std::mutex> &lock);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_descriptor = -1;
    const char *m_data = nullptr;
    std::size_t m_size = 0;
    bool m_busy = false;
    bool m_quit = false;
    int m_error = 0;
    std::thread m_thread;
};

} // namespace quillet
