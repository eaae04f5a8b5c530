// Every test program runs in a home folder of its own, made before main and
// removed at exit, however it is started: D: defaults to the home folder, and
// Qt, the sound server's client and fontconfig keep files below it, so a test
// run by hand never writes into the real one.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace {

class ScratchHome final {
public:
    ScratchHome() {
        // A test program started by a test (a stand-in service) shares its home.
        const char* home = std::getenv("HOME");
        const char* made = std::getenv("ZORVIK_TEST_HOME");
        if (home && made && std::string_view(home) == made) return;
        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "zorvik-test-home-XXXXXX").string();
        if (error || ::mkdtemp(pattern.data()) == nullptr) {
            std::fprintf(stderr, "no scratch home folder could be made: %s\n", pattern.c_str());
            std::abort();
        }
        path_ = pattern;
        ::setenv("HOME", path_.c_str(), 1);
        ::setenv("ZORVIK_TEST_HOME", path_.c_str(), 1);
        // The XDG folders follow HOME only when they are not named.
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
            ::unsetenv(name);
        // No display is needed; a run that names a platform keeps it.
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    ~ScratchHome() {
        if (path_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

private:
    std::string path_;
};

const ScratchHome home;

}  // namespace
