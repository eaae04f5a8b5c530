#include "support/spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QThread>
#include <cerrno>
#include <vector>

extern char** environ;

namespace zorvik::testing {

Spawned::~Spawned() {
    if (running()) {
        kill();
        waitFinished(3000);
    }
}

bool Spawned::start(const QString& program, const QStringList& arguments, const QString& outputFile,
                    bool withErrors) {
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString& a : arguments) words.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const QByteArray output = outputFile.isEmpty() ? QByteArray("/dev/null") : outputFile.toLocal8Bit();

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (withErrors)
        posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int failed = ::posix_spawnp(&child, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (failed != 0) return false;
    pid_ = child;
    exitCode_ = -1;
    return true;
}

bool Spawned::running() {
    if (pid_ < 0) return false;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == 0 || (done < 0 && errno == EINTR)) return true;
    exitCode_ = done == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    return false;
}

bool Spawned::waitFinished(int ms) {
    QDeadlineTimer deadline(ms);
    while (running()) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(10);
    }
    return true;
}

void Spawned::terminate() { signal(SIGTERM); }
void Spawned::kill() { signal(SIGKILL); }

void Spawned::signal(int number) {
    if (pid_ > 0) ::kill(pid_, number);
}

}  // namespace zorvik::testing
