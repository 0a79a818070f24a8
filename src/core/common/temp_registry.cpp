#include "common/temp_registry.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>

namespace membrane {
namespace {

enum SlotState : int { kFree = 0, kBusy = 1, kInUse = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

// A run writes at most a handful of files at once; a few spare slots for the others.
std::array<Slot, 32> slots;

// Set by the signal handler; files being created meanwhile on other threads are counted,
// so that the handler can wait for them to see it and remove what they made.
std::atomic<bool> ending{false};
std::atomic<int> creating{0};

extern "C" void RemoveTempFilesAndExit(int signal) {
    ending.store(true);
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == kInUse) ::unlink(slot.path);
    // At most a tenth of a second: the creating thread may be the one interrupted.
    timespec start{}, now{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    while (creating.load() > 0 && ::clock_gettime(CLOCK_MONOTONIC, &now) == 0 &&
           (now.tv_sec - start.tv_sec) * 1000000000L + (now.tv_nsec - start.tv_nsec) < 100000000L)
        ;
    ::_exit(128 + signal);
}

// The slot of `path`, or -1 when the table is full.
int RegisterTempFile(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        int expected = kFree;
        if (!slots[k].state.compare_exchange_strong(expected, kBusy)) continue;
        std::memcpy(slots[k].path, path.c_str(), path.size() + 1);
        slots[k].state.store(kInUse, std::memory_order_release);
        return static_cast<int>(k);
    }
    return -1;
}

}  // namespace

int CreateRegisteredFile(const std::string& path, int& slot) {
    creating.fetch_add(1);
    slot = -1;
    int fd = -1;
    if (ending.load()) {
        errno = EINTR;
    } else {
        slot = RegisterTempFile(path);
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        // The handler may have looked at the slots before this one was filled.
        if (fd >= 0 && ending.load()) ::unlink(path.c_str());
    }
    creating.fetch_sub(1);
    return fd;
}

void ReleaseTempFile(int slot) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= slots.size()) return;
    slots[slot].state.store(kBusy, std::memory_order_release);
    slots[slot].state.store(kFree, std::memory_order_release);
}

void RemoveTempFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveTempFilesAndExit;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace membrane
