// Every test program that runs as root gets a mount namespace of its own,
// made before main, with nothing mounted below /media and /run/media and an
// empty folder over each: the drives a test mounts there are seen by no other
// test running beside it, and it sees none of theirs, however many run at
// once. Without the rights to make one the program shares the machine's
// mounts, as before.
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Mount points below /media and /run/media in this namespace, deepest first.
// The copy of the machine's mounts holds those other tests had made: left in
// the mount table they would still be read as removable drives.
std::vector<std::string> removablePlaces() {
    std::vector<std::string> places;
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (point.starts_with("/media/") || point.starts_with("/run/media/")) places.push_back(point);
    }
    std::sort(places.begin(), places.end(), [](const std::string& a, const std::string& b) { return a > b; });
    return places;
}

bool isFolder(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

class OwnMounts final {
public:
    OwnMounts() {
        // A program a test starts (a stand-in service) stays in its namespace.
        if (::geteuid() != 0 || std::getenv("ZORVIK_TEST_MOUNTS")) return;
        if (::unshare(CLONE_NEWNS) != 0) return;
        // Nothing mounted here travels back to the machine's namespace.
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
        for (const auto& place : removablePlaces()) ::umount2(place.c_str(), MNT_DETACH);
        for (const char* place : {"/media", "/run/media"})
            if (isFolder(place)) ::mount("tmpfs", place, "tmpfs", 0, "mode=0755");
        ::setenv("ZORVIK_TEST_MOUNTS", "own", 1);
    }
};

const OwnMounts mounts;

}  // namespace
