#include "platform/termination.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace zorvik::platform {

namespace {

int gPipe[2] = {-1, -1};

void onSignal(int) {
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(gPipe[1], &byte, 1);  // async-signal-safe
}

}  // namespace

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent) {
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(gPipe[0], buffer, sizeof buffer) > 0) {
        }
        Q_EMIT terminationRequested();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

TerminationWatcher::~TerminationWatcher() {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, SIG_DFL);
    delete notifier_;
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

TerminationSignalsBlocked::TerminationSignalsBlocked() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&blocked, sig);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
}

TerminationSignalsBlocked::~TerminationSignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace zorvik::platform
