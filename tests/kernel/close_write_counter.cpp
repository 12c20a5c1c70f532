// Counts the IN_CLOSE_WRITE events on device nodes while a command runs: a
// descriptor opened for writing and closed again is what makes udev re-probe
// a disk. Usage: qz_count_close_writes NODE... -- COMMAND [ARGUMENT...]
// Prints "close-write NODE: N" per node (a lower bound: the kernel may merge
// two identical events that follow each other unread) and exits 0; exits 2 when a watch
// cannot be set or the command cannot be started.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

int Fail(const char *what, const char *detail)
{
    std::fprintf(stderr, "qz_count_close_writes: %s %s: %s\n", what, detail, std::strerror(errno));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int separator = 1;
    while (separator < argc && std::strcmp(argv[separator], "--") != 0)
        ++separator;
    if (separator == 1 || separator + 1 >= argc) {
        std::fprintf(stderr, "usage: qz_count_close_writes NODE... -- COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const int watcher = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watcher < 0)
        return Fail("inotify_init1", "");
    std::map<int, std::string> nodes;
    std::map<int, int> counts;
    for (int i = 1; i < separator; ++i) {
        const int watch = ::inotify_add_watch(watcher, argv[i], IN_CLOSE_WRITE);
        if (watch < 0)
            return Fail("cannot watch", argv[i]);
        nodes[watch] = argv[i];
        counts[watch] = 0;
    }

    const pid_t child = ::fork();
    if (child < 0)
        return Fail("fork", "");
    if (child == 0) {
        ::execvp(argv[separator + 1], argv + separator + 1);
        Fail("cannot run", argv[separator + 1]);
        ::_exit(127);
    }
    // Read while the command runs: the kernel merges an event into an
    // identical one still unread, so a slow reader would count too few.
    auto drain = [&]() {
        alignas(struct inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(watcher, buffer, sizeof buffer);
            if (got <= 0)
                return;
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const struct inotify_event *>(buffer + at);
                if ((event->mask & IN_CLOSE_WRITE) != 0 && counts.count(event->wd) != 0)
                    ++counts[event->wd];
                at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            }
        }
    };
    int status = 0;
    for (;;) {
        struct pollfd ready = {watcher, POLLIN, 0};
        ::poll(&ready, 1, 20);
        drain();
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            break;
    }
    drain(); // events queued at the last close
    for (const auto &[watch, node] : nodes)
        std::printf("close-write %s: %d\n", node.c_str(), counts[watch]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 127 ? 2 : 0;
}
