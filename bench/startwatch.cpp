// Starts a program and times its start from the outside (bench/startup.sh):
// milliseconds from exec until the X server maps a window whose title holds
// TITLE, and until the program writes a stderr line holding READY; then,
// SETTLE ms later, its CPU time, resident memory and the number of web
// engine processes it runs. Prints "shown ready cpu_ms rss_kib engines" and
// ends the program. The map is seen as an event, not polled for, so the
// watcher itself costs the machine nothing while the program starts.
//
//   zorvik_startwatch TITLE READY|- SETTLE_MS LOG -- PROGRAM [ARGS...]
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name), nullptr),
        &free);
    return reply ? reply->atom : XCB_ATOM_NONE;
}

std::string property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                               nullptr),
        &free);
    if (!reply) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<size_t>(xcb_get_property_value_length(reply.get())));
}

long field(const std::string& file, const char* key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + strlen(key), nullptr, 10);
    return -1;
}

long cpuMs(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');  // the command name may hold blanks
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string value;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> value; ++i)
        if (i >= 14) ticks += std::stol(value);  // user and system time
    return ticks * 1000 / sysconf(_SC_CLK_TCK);
}

long parentOf(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string state;
    long parent = 0;
    fields >> state >> parent;
    return parent;
}

// Web engine processes started by the program (other programs on the
// machine may run engines of their own).
int webEngines(pid_t program) {
    int count = 0;
    DIR* proc = opendir("/proc");
    if (!proc) return -1;
    while (dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        std::ifstream comm(std::string("/proc/") + entry->d_name + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("QtWebEngine", 0) != 0) continue;
        for (long p = std::atol(entry->d_name); p > 1; p = parentOf(p))
            if (p == program) {
                ++count;
                break;
            }
    }
    closedir(proc);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7 || std::strcmp(argv[5], "--") != 0) {
        std::fprintf(stderr, "usage: %s TITLE READY|- SETTLE_MS LOG -- PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    const std::string title = argv[1];
    const std::string ready = std::strcmp(argv[2], "-") == 0 ? "" : argv[2];
    const int settleMs = std::atoi(argv[3]);
    FILE* log = std::fopen(argv[4], "w");

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME");
    xcb_flush(c);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return 1;
    const double start = nowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execvp(argv[6], argv + 6);
        _exit(127);
    }
    close(pipeFds[1]);

    double shown = -1, readyAt = ready.empty() ? 0 : -1, settleFrom = -1;
    std::string pending;
    bool childGone = false;
    pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {pipeFds[0], POLLIN, 0}};
    while (true) {
        if (shown >= 0 && readyAt >= 0 && settleFrom < 0) settleFrom = nowMs();
        if (settleFrom >= 0 && nowMs() - settleFrom >= settleMs) break;
        if (childGone || nowMs() - start > 60000) break;  // ended, or never got there
        poll(fds, 2, 10);
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && shown < 0) {
                const double at = nowMs();
                auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                std::string name = property(c, map->window, netName);
                if (name.empty()) name = property(c, map->window, XCB_ATOM_WM_NAME);
                if (name.find(title) != std::string::npos) shown = at - start;
            }
            free(event);
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[4096];
            const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
            if (n <= 0) {
                childGone = true;
                fds[1].fd = -1;
                continue;
            }
            const double at = nowMs();
            if (log) std::fwrite(buffer, 1, static_cast<size_t>(n), log);
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1))
                if (readyAt < 0 && pending.substr(0, eol).find(ready) != std::string::npos)
                    readyAt = at - start;
        }
    }
    const long cpu = cpuMs(pid);
    const long rss = field("/proc/" + std::to_string(pid) + "/status", "VmRSS:");
    const int engines = webEngines(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    if (log) std::fclose(log);
    if (shown < 0 || readyAt < 0) {
        std::fprintf(stderr, "%s ended or stalled before its window was shown and ready (see %s)\n", argv[6],
                     argv[4]);
        return 1;
    }
    std::printf("%.0f %.0f %ld %ld %d\n", shown, readyAt, cpu, rss, engines);
    return 0;
}
