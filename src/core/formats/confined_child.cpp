#include "formats/confined_child.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <poll.h>
#include <seccomp.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

// Set in the confined child. The leak checker of an AddressSanitizer build runs at exit in
// a traced thread of its own (clone and ptrace), which the child's filter forbids: a script
// that ends Gmsh with Exit would then look like a forbidden call. The child's leaks are of
// no interest (it ends right after its work), so the checker stays off there. The function
// is the sanitizer's documented hook; other builds never call it.
static volatile int inConfinedChild = 0;
extern "C" __attribute__((visibility("default"), used)) int __lsan_is_turned_off() {
    return inConfinedChild;
}

namespace membrane {
namespace {

// How the child ends when it ends on its own terms; any other status is the work's (a
// script that calls exit) or a signal.
constexpr int kDone = 0;
constexpr int kFailed = 80;     // the work threw; its message is on stderr
constexpr int kForbidden = 81;  // the filter stopped a call; what it was is on stderr
constexpr int kNoMemory = 82;   // an allocation failed under the address-space limit
constexpr int kNoFilter = 83;   // the filter could not be installed: nothing was run

// A sanitizer's shadow memory takes terabytes of address space: under one the address
// space is not limited (the processor time and the wall time still are).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr std::size_t kMaxResult = std::size_t{1} << 30;  // bytes of result
constexpr std::size_t kMaxMessages = 64 * 1024;           // the last bytes of messages kept

void Say(const char* text) {
    const std::size_t length = std::strlen(text);
    for (std::size_t done = 0; done < length;) {
        const ssize_t n = write(STDERR_FILENO, text + done, length - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

// What a stopped system call tried, in the user's words.
const char* Attempt(int call) {
    switch (call) {
        case SYS_execve:
        case SYS_execveat:
            return "run a program";
        case SYS_fork:
        case SYS_vfork:
        case SYS_clone:
            return "start a program or process";
        case SYS_socket:
        case SYS_socketpair:
        case SYS_connect:
        case SYS_bind:
        case SYS_listen:
        case SYS_accept:
        case SYS_accept4:
            return "use the network";
        case SYS_kill:
        case SYS_tkill:
        case SYS_tgkill:
        case SYS_pidfd_open:
        case SYS_pidfd_send_signal:
        case SYS_ptrace:
        case SYS_process_vm_readv:
        case SYS_process_vm_writev:
            return "reach another process";
        case SYS_open:
        case SYS_openat:
        case SYS_creat:
        case SYS_truncate:
        case SYS_ftruncate:
            return "write a file";
        case SYS_rename:
        case SYS_renameat:
        case SYS_renameat2:
        case SYS_unlink:
        case SYS_unlinkat:
        case SYS_mkdir:
        case SYS_mkdirat:
        case SYS_rmdir:
        case SYS_link:
        case SYS_linkat:
        case SYS_symlink:
        case SYS_symlinkat:
        case SYS_mknod:
        case SYS_mknodat:
        case SYS_chmod:
        case SYS_fchmod:
        case SYS_fchmodat:
        case SYS_chown:
        case SYS_fchown:
        case SYS_lchown:
        case SYS_fchownat:
        case SYS_utime:
        case SYS_utimes:
        case SYS_utimensat:
            return "create, change or remove a file";
        default:
            return "make a system call the import forbids";
    }
}

// SIGSYS from the filter: say what was tried and end. Only async-signal-safe calls.
void OnForbidden(int, siginfo_t* info, void*) {
    Say("membrane-sandbox: tried to ");
    Say(Attempt(info->si_syscall));
    Say("\n");
    _exit(kForbidden);
}

void OnNoMemory() {
    Say("membrane-sandbox: out of memory\n");
    _exit(kNoMemory);
}

void Limit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    setrlimit(resource, &limit);
}

std::size_t DefaultMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
    const std::size_t half =
        pages > 0 && page > 0 ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(page) / 2
                              : 0;
    return std::max(half, std::size_t{2} << 30);
}

// Landlock: read beneath the given paths, nothing else on the file system. Returns a note
// when the kernel lacks it (the seccomp filter still holds).
void Landlock(const std::vector<std::string>& readable) {
    const long abi =
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) {
        Say("membrane-sandbox: note: this kernel has no Landlock; the seccomp filter alone "
            "keeps the child from writing\n");
        return;
    }
    // The access rights each ABI knows: a right the kernel does not know makes the ruleset
    // invalid, a right left out is not restricted.
    struct {
        std::uint64_t fs, net, scoped;
    } attr{(1ULL << 13) - 1, 0, 0};       // EXECUTE .. MAKE_SYM
    if (abi >= 2) attr.fs |= 1ULL << 13;  // REFER
    if (abi >= 3) attr.fs |= 1ULL << 14;  // TRUNCATE
    if (abi >= 5) attr.fs |= 1ULL << 15;  // IOCTL_DEV
    if (abi >= 4) attr.net = 3;           // BIND_TCP, CONNECT_TCP
    if (abi >= 6) attr.scoped = 3;        // abstract UNIX sockets, signals
    const std::size_t size = abi >= 6 ? 24 : abi >= 4 ? 16 : 8;
    const int ruleset = static_cast<int>(syscall(SYS_landlock_create_ruleset, &attr, size, 0));
    if (ruleset < 0) {
        Say("membrane-sandbox: note: Landlock refused the ruleset; the seccomp filter alone "
            "keeps the child from writing\n");
        return;
    }
    constexpr std::uint64_t kReadFile = 1ULL << 2, kReadDir = 1ULL << 3;
    for (const std::string& path : readable) {
        const int fd = open(path.c_str(), O_PATH | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        fstat(fd, &st);
        landlock_path_beneath_attr rule{};
        rule.allowed_access = S_ISDIR(st.st_mode) ? kReadFile | kReadDir : kReadFile;
        rule.parent_fd = fd;
        syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
        close(fd);
    }
    syscall(SYS_landlock_restrict_self, ruleset, 0);
    close(ruleset);
}

// The seccomp filter. Default: allow; the calls below end the child with SIGSYS (so the
// parent learns what was tried), except two that are answered "not implemented" so the
// C library falls back to calls whose arguments the filter can see (clone3 and openat2
// pass theirs in memory).
bool Filter() {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (filter == nullptr) return false;
    bool ok = true;
    auto trap = [&](int call) { ok = ok && seccomp_rule_add(filter, SCMP_ACT_TRAP, call, 0) == 0; };
    for (int call : {SCMP_SYS(execve),
                     SCMP_SYS(execveat),
                     SCMP_SYS(fork),
                     SCMP_SYS(vfork),
                     SCMP_SYS(socket),
                     SCMP_SYS(socketpair),
                     SCMP_SYS(connect),
                     SCMP_SYS(bind),
                     SCMP_SYS(listen),
                     SCMP_SYS(accept),
                     SCMP_SYS(accept4),
                     SCMP_SYS(ptrace),
                     SCMP_SYS(process_vm_readv),
                     SCMP_SYS(process_vm_writev),
                     SCMP_SYS(tkill),
                     SCMP_SYS(pidfd_open),
                     SCMP_SYS(pidfd_send_signal),
                     SCMP_SYS(pidfd_getfd),
                     SCMP_SYS(creat),
                     SCMP_SYS(truncate),
                     SCMP_SYS(ftruncate),
                     SCMP_SYS(rename),
                     SCMP_SYS(renameat),
                     SCMP_SYS(renameat2),
                     SCMP_SYS(unlink),
                     SCMP_SYS(unlinkat),
                     SCMP_SYS(mkdir),
                     SCMP_SYS(mkdirat),
                     SCMP_SYS(rmdir),
                     SCMP_SYS(link),
                     SCMP_SYS(linkat),
                     SCMP_SYS(symlink),
                     SCMP_SYS(symlinkat),
                     SCMP_SYS(mknod),
                     SCMP_SYS(mknodat),
                     SCMP_SYS(chmod),
                     SCMP_SYS(fchmod),
                     SCMP_SYS(fchmodat),
                     SCMP_SYS(chown),
                     SCMP_SYS(fchown),
                     SCMP_SYS(lchown),
                     SCMP_SYS(fchownat),
                     SCMP_SYS(utime),
                     SCMP_SYS(utimes),
                     SCMP_SYS(utimensat),
                     SCMP_SYS(setxattr),
                     SCMP_SYS(lsetxattr),
                     SCMP_SYS(fsetxattr),
                     SCMP_SYS(removexattr),
                     SCMP_SYS(lremovexattr),
                     SCMP_SYS(fremovexattr),
                     SCMP_SYS(name_to_handle_at),
                     SCMP_SYS(open_by_handle_at),
                     SCMP_SYS(io_uring_setup),
                     SCMP_SYS(io_uring_enter),
                     SCMP_SYS(io_uring_register),
                     SCMP_SYS(mount),
                     SCMP_SYS(umount2),
                     SCMP_SYS(pivot_root),
                     SCMP_SYS(chroot),
                     SCMP_SYS(unshare),
                     SCMP_SYS(setns),
                     SCMP_SYS(bpf),
                     SCMP_SYS(perf_event_open),
                     SCMP_SYS(userfaultfd),
                     SCMP_SYS(keyctl),
                     SCMP_SYS(add_key),
                     SCMP_SYS(request_key),
                     SCMP_SYS(init_module),
                     SCMP_SYS(finit_module),
                     SCMP_SYS(delete_module),
                     SCMP_SYS(kexec_load),
                     SCMP_SYS(reboot),
                     SCMP_SYS(swapon),
                     SCMP_SYS(swapoff),
                     SCMP_SYS(shmget),
                     SCMP_SYS(msgget),
                     SCMP_SYS(semget),
                     SCMP_SYS(mq_open)})
        trap(call);
    for (int call : {SCMP_SYS(clone3), SCMP_SYS(openat2)})
        ok = ok && seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), call, 0) == 0;
    // Threads (CLONE_THREAD) may be made, processes not.
    ok = ok && seccomp_rule_add(filter, SCMP_ACT_TRAP, SCMP_SYS(clone), 1,
                                SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)) == 0;
    // Files are opened for reading only.
    for (int flag : {O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND}) {
        const auto mask = static_cast<scmp_datum_t>(flag);
        ok = ok && seccomp_rule_add(filter, SCMP_ACT_TRAP, SCMP_SYS(open), 1,
                                    SCMP_A1(SCMP_CMP_MASKED_EQ, mask, mask)) == 0;
        ok = ok && seccomp_rule_add(filter, SCMP_ACT_TRAP, SCMP_SYS(openat), 1,
                                    SCMP_A2(SCMP_CMP_MASKED_EQ, mask, mask)) == 0;
    }
    // Signals to itself only (abort raises SIGABRT with tgkill).
    const auto self = static_cast<scmp_datum_t>(getpid());
    for (int call : {SCMP_SYS(kill), SCMP_SYS(tgkill)})
        ok =
            ok && seccomp_rule_add(filter, SCMP_ACT_TRAP, call, 1, SCMP_A0(SCMP_CMP_NE, self)) == 0;
    // No keystrokes pushed into a terminal.
    for (unsigned long request : {static_cast<unsigned long>(TIOCSTI), 0x541CUL /* TIOCLINUX */})
        ok = ok && seccomp_rule_add(filter, SCMP_ACT_TRAP, SCMP_SYS(ioctl), 1,
                                    SCMP_A1(SCMP_CMP_EQ, request)) == 0;
    // libseccomp sets no_new_privs and kills calls of another architecture's ABI.
    ok = ok && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return ok;
}

[[noreturn]] void RunChild(const ConfinedLimits& limits, const std::function<void()>& prepare,
                           const std::function<std::string()>& work, int resultFd, int messageFd) {
    // Standard input from nothing, both outputs into the message pipe, the result on
    // descriptor 3; every other descriptor of the parent closed.
    // (The pipes are moved out of the way first: in a process started without standard
    // descriptors they may be 0, 1 or 2.)
    resultFd = fcntl(resultFd, F_DUPFD, 10);
    messageFd = fcntl(messageFd, F_DUPFD, 10);
    const int nothing = open("/dev/null", O_RDONLY);
    if (nothing >= 0) dup2(nothing, STDIN_FILENO);
    dup2(messageFd, STDOUT_FILENO);
    dup2(messageFd, STDERR_FILENO);
    dup2(resultFd, 3);
    syscall(SYS_close_range, 4u, ~0u, 0u);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(sig, SIG_DFL);

    const auto seconds = static_cast<rlim_t>(std::ceil(std::max(limits.seconds, 1.0)));
    const rlimit cpu{seconds, seconds + 1};  // SIGXCPU, then SIGKILL
    setrlimit(RLIMIT_CPU, &cpu);
    if (!kSanitized)
        Limit(RLIMIT_AS, limits.memoryBytes > 0 ? limits.memoryBytes : DefaultMemory());
    Limit(RLIMIT_FSIZE, 0);
    Limit(RLIMIT_CORE, 0);
    Limit(RLIMIT_NOFILE, 64);
    std::set_new_handler(OnNoMemory);
    struct sigaction forbidden {};
    forbidden.sa_sigaction = OnForbidden;
    forbidden.sa_flags = SA_SIGINFO;
    sigaction(SIGSYS, &forbidden, nullptr);

    std::vector<std::string> readable = limits.readable;
    readable.insert(readable.end(), {"/usr", "/etc", "/lib", "/lib64"});
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    Landlock(readable);
    std::string result;
    try {
        // The work's own set-up, which reads none of the untrusted input, before the
        // filter: a library that writes its settings at start-up fails quietly under
        // Landlock instead of being taken for an attack.
        prepare();
        if (!Filter()) {
            Say("membrane-sandbox: the seccomp filter could not be installed\n");
            _exit(kNoFilter);
        }
        result = work();
    } catch (const std::exception& e) {
        Say("Error: ");
        Say(e.what());
        Say("\n");
        _exit(kFailed);
    }
    for (std::size_t done = 0; done < result.size();) {
        const ssize_t n = write(3, result.data() + done, result.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(kFailed);
        done += static_cast<std::size_t>(n);
    }
    _exit(kDone);  // no exit handlers of the parent's program run in the child
}

// The error lines of the child's messages, without Gmsh's "Error   : " prefix.
std::string ErrorLines(const std::string& messages) {
    std::string errors;
    std::size_t at = 0;
    while (at < messages.size()) {
        std::size_t end = messages.find('\n', at);
        if (end == std::string::npos) end = messages.size();
        std::string line = messages.substr(at, end - at);
        at = end + 1;
        if (line.rfind("Error", 0) != 0) continue;
        const std::size_t colon = line.find(':');
        line = line.substr(colon == std::string::npos ? 5 : colon + 1);
        line.erase(0, line.find_first_not_of(' '));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || errors.find(line) != std::string::npos) continue;
        if (!errors.empty()) errors += "; ";
        errors += line;
    }
    if (errors.size() > 2000) errors = "..." + errors.substr(errors.size() - 2000);
    return errors;
}

std::string SandboxLine(const std::string& messages, const char* what) {
    const std::string key = std::string("membrane-sandbox: ") + what;
    const std::size_t at = messages.rfind(key);
    if (at == std::string::npos) return "";
    const std::size_t end = messages.find('\n', at);
    return messages.substr(at + 18, end == std::string::npos ? std::string::npos : end - at - 18);
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

std::string Why(int status, const std::string& messages, const ConfinedLimits& limits,
                bool hasResult) {
    const std::string errors = ErrorLines(messages);
    const std::string said = errors.empty() ? "" : ": " + errors;
    if (WIFEXITED(status)) {
        switch (WEXITSTATUS(status)) {
            case kDone:
                return hasResult ? "" : "it ended before it gave a mesh (Exit)" + said;
            case kForbidden:
                return SandboxLine(messages, "tried to") + "; refused";
            case kNoMemory:
                return "it needed more memory than the limit of " +
                       std::to_string(
                           (limits.memoryBytes > 0 ? limits.memoryBytes : DefaultMemory()) >> 20) +
                       " MiB";
            case kNoFilter:
                return "the sandbox could not be set up, so it was not run";
            case kFailed:
                return errors.empty() ? "it failed without a message" : errors;
            default:
                return "it stopped with exit status " + std::to_string(WEXITSTATUS(status)) +
                       (errors.empty() ? " and no error message" : said);
        }
    }
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        if (sig == SIGXCPU || sig == SIGKILL)
            return "it used more than " + Seconds(limits.seconds) + " s of processor time";
        // The filter's SIGSYS while the child blocked signals (as the C library does
        // around starting a program): the call is not known, only that it was forbidden.
        if (sig == SIGSYS)
            return "tried to run a program or make another call an import may not; refused";
        const char* name = sigabbrev_np(sig);
        std::string why = "it crashed (signal SIG" + std::string(name != nullptr ? name : "?") +
                          ", " + strsignal(sig) + ")";
        if (sig == SIGABRT && messages.find("bad_alloc") != std::string::npos)
            why = "it needed more memory than the limit allows";
        return why + said;
    }
    return "it ended in an unknown way";
}

}  // namespace

ConfinedOutcome RunConfined(const ConfinedLimits& limits, const std::function<void()>& prepare,
                            const std::function<std::string()>& work) {
    ConfinedOutcome outcome;
    int resultPipe[2], messagePipe[2];
    if (pipe2(resultPipe, O_CLOEXEC) != 0) {
        outcome.why = std::string("no pipe: ") + std::strerror(errno);
        return outcome;
    }
    if (pipe2(messagePipe, O_CLOEXEC) != 0) {
        outcome.why = std::string("no pipe: ") + std::strerror(errno);
        close(resultPipe[0]);
        close(resultPipe[1]);
        return outcome;
    }
    std::fflush(nullptr);  // nothing buffered in this process is written twice
    const pid_t pid = fork();
    if (pid == 0) {
        inConfinedChild = 1;
        close(resultPipe[0]);
        close(messagePipe[0]);
        RunChild(limits, prepare, work, resultPipe[1], messagePipe[1]);
    }
    close(resultPipe[1]);
    close(messagePipe[1]);
    if (pid < 0) {
        outcome.why = std::string("no child process: ") + std::strerror(errno);
        close(resultPipe[0]);
        close(messagePipe[0]);
        return outcome;
    }

    // Read both pipes until the child closes them (it ends), or until the wall limit.
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::milliseconds(static_cast<long long>(std::max(limits.seconds, 0.0) * 1000));
    std::string messages;
    bool timedOut = false, tooLarge = false;
    pollfd fds[2] = {{resultPipe[0], POLLIN, 0}, {messagePipe[0], POLLIN, 0}};
    char buffer[65536];
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        const int ready = poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) break;
        for (int k = 0; k < 2 && ready > 0; ++k) {
            if (fds[k].fd < 0 || fds[k].revents == 0) continue;
            const ssize_t n = read(fds[k].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                close(fds[k].fd);
                fds[k].fd = -1;
                continue;
            }
            std::string& into = k == 0 ? outcome.result : messages;
            into.append(buffer, static_cast<std::size_t>(n));
            if (k == 1 && messages.size() > 2 * kMaxMessages)
                messages.erase(0, messages.size() - kMaxMessages);
            if (k == 0 && outcome.result.size() > kMaxResult) tooLarge = true;
        }
        if (tooLarge) break;
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0) close(fd.fd);
    // The pipes are closed when the child has ended (or closed them itself): wait for its
    // end within what is left of the limit, polling briefly.
    int status = 0;
    bool ended = false;
    while (!timedOut && !tooLarge) {
        const pid_t waited = waitpid(pid, &status, WNOHANG);
        if (waited == pid) {
            ended = true;
            break;
        }
        if (waited < 0 && errno != EINTR) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        usleep(10000);
    }
    if (!ended) {
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        outcome.result.clear();
        outcome.why =
            timedOut   ? "it took longer than the limit of " + Seconds(limits.seconds) + " s"
            : tooLarge ? "its result is larger than " + std::to_string(kMaxResult >> 20) + " MiB"
                       : "its end could not be learned";
        return outcome;
    }
    const bool exitedWithResult = WIFEXITED(status) && WEXITSTATUS(status) == kDone;
    outcome.why = Why(status, messages, limits, exitedWithResult && !outcome.result.empty());
    outcome.ok = outcome.why.empty();
    if (!outcome.ok) outcome.result.clear();
    return outcome;
}

}  // namespace membrane
