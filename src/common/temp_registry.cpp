#include "common/temp_registry.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>

namespace membrane {
namespace {

enum SlotState : int { kFree = 0, kBusy = 1, kInUse = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

// A run writes at most a handful of files at once; a few spare slots for the others.
std::array<Slot, 32> slots;

extern "C" void RemoveTempFilesAndExit(int signal) {
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == kInUse) ::unlink(slot.path);
    ::_exit(128 + signal);
}

}  // namespace

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
