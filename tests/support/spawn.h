#pragma once

#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace zorvik::testing {

// A helper program run by a test, started with posix_spawn. QProcess starts
// its child through clone() sharing this process's memory until exec, which
// a ThreadSanitizer build takes for the fork of a threaded process: it stops
// checking the calling thread and dies at the next thread started.
class Spawned {
public:
    Spawned() = default;
    ~Spawned();  // a child still running is killed
    Spawned(const Spawned&) = delete;
    Spawned& operator=(const Spawned&) = delete;

    // Starts `program`, looked up in PATH, with nothing on its input and its
    // output (and its errors too, when `withErrors`) in `outputFile`, or
    // nowhere when that is empty.
    bool start(const QString& program, const QStringList& arguments, const QString& outputFile = {},
               bool withErrors = true);
    bool running();
    // Waits at most `ms` for the child to end; true once it has.
    bool waitFinished(int ms);
    void terminate();
    void kill();
    // The exit code once it ended normally, else -1.
    int exitCode() const { return exitCode_; }

private:
    void signal(int number);

    pid_t pid_ = -1;
    int exitCode_ = -1;
};

}  // namespace zorvik::testing
