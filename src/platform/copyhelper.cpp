// zorvik_copy SOURCE TARGET OFFSET keep|replace flush|noflush TARGET_ROOT|- any|only [SOURCE_ROOT...]
//
// One copy onto a customer's device, in a process of its own: the station
// waits for it, and can leave it behind when the device hangs in a call that
// nothing can interrupt. Paths are native. SIGTERM stops the copy, which then
// removes its temporary file. TARGET_ROOT: the target's folder is reached
// below it only; "only": the source must lie in one of the SOURCE_ROOTs.
// Prints "<failure> <errno> <bytes written>".
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "platform/copyfile.h"

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fprintf(stderr,
                     "usage: zorvik_copy SOURCE TARGET OFFSET keep|replace flush|noflush TARGET_ROOT|- any|only "
                     "[SOURCE_ROOT...]\n");
        return 2;
    }
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // the station's job went: stop too
    sigset_t stopping;
    sigemptyset(&stopping);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stopping, sig);
    ::pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
    std::stop_source stop;
    // Lives until the process ends, which _exit below brings about.
    std::thread watcher([&stop, &stopping] {
        int sig = 0;
        ::sigwait(&stopping, &sig);
        stop.request_stop();
    });
    zorvik::platform::CopyOptions options;
    options.offset = std::strtoll(argv[3], nullptr, 10);
    options.overwrite = std::strcmp(argv[4], "replace") == 0 ? zorvik::platform::Overwrite::Yes
                                                               : zorvik::platform::Overwrite::No;
    options.flush = std::strcmp(argv[5], "flush") == 0 ? zorvik::platform::Flush::Yes : zorvik::platform::Flush::No;
    if (std::strcmp(argv[6], "-") != 0) options.targetRoot = argv[6];
    if (std::strcmp(argv[7], "only") == 0) options.sourceRoots = std::vector<std::string>(argv + 8, argv + argc);
    auto result = zorvik::platform::copyNativeFile(argv[1], argv[2], options, stop.get_token());
    std::printf("%d %d %lld\n", static_cast<int>(result.failure), result.error, static_cast<long long>(result.bytes));
    std::fflush(stdout);
    ::_exit(0);
}
