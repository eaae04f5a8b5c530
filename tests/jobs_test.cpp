#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QSignalSpy>
#include <QTest>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "core/jobs.h"

namespace zorvik::core {
namespace {

using namespace std::chrono_literals;

TEST(Jobs, TheOwnerGoingCancelsAndJoinsEveryJobBeforeItsMembersGo) {
    std::atomic_int stoppedCleanly{0};
    std::atomic_bool bodyRunning{false};
    {
        QObject owner;
        JobRegistry registry;
        Jobs jobs(&owner, registry, JobKind::Reads);
        for (int i = 0; i < 3; ++i)
            jobs.start([&](std::stop_token stop) {
                bodyRunning = true;
                while (!stop.stop_requested()) std::this_thread::sleep_for(1ms);
                ++stoppedCleanly;  // the clean-up step of a cancelled job runs before the join returns
            });
        while (!bodyRunning) std::this_thread::sleep_for(1ms);
        EXPECT_TRUE(jobs.busy());
    }
    EXPECT_EQ(stoppedCleanly, 3);
}

TEST(Jobs, PostedStepsRunOnTheOwnersThreadAndAreDroppedWithTheOwner) {
    auto owner = std::make_unique<QObject>();
    JobRegistry registry;
    auto jobs = std::make_unique<Jobs>(owner.get(), registry, JobKind::Reads);
    std::thread::id ranOn;
    QSignalSpy done(owner.get(), &QObject::objectNameChanged);
    jobs->start([&](std::stop_token) {
        jobs->post([&] {
            ranOn = std::this_thread::get_id();
            owner->setObjectName(QStringLiteral("done"));
        });
    });
    ASSERT_TRUE(done.wait(2000));
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    // A step posted by a job that ends with its owner never runs.
    std::atomic_bool late{false};
    Jobs* raw = jobs.get();
    raw->start([&late, raw](std::stop_token stop) {
        while (!stop.stop_requested()) std::this_thread::sleep_for(1ms);
        raw->post([&late] { late = true; });
    });
    jobs.reset();
    owner.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(late);
}

TEST(Jobs, FinishedJobsAreLetGoWhenTheNextStarts) {
    QObject owner;
    JobRegistry registry;
    Jobs jobs(&owner, registry, JobKind::Reads);
    jobs.start([](std::stop_token) {});
    QElapsedTimer clock;
    clock.start();
    while (jobs.busy() && clock.elapsed() < 2000) std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(jobs.busy());
    std::atomic_bool ran{false};
    jobs.start([&](std::stop_token) { ran = true; });
    jobs.joinAll();
    EXPECT_TRUE(ran);
}

TEST(Jobs, ABodyStuckPastTheDeadlineIsReportedAndClosingSignalsReachNoJob) {
    QObject owner;
    JobRegistry registry;
    Jobs jobs(&owner, registry, JobKind::Reads);
    std::atomic_bool release{false};
    std::atomic_bool sigtermBlocked{false};
    jobs.start([&](std::stop_token) {
        sigset_t mask;
        ::pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        sigtermBlocked = sigismember(&mask, SIGTERM) == 1;
        while (!release) std::this_thread::sleep_for(1ms);  // deaf to the stop, as a call on a hung device
    });
    jobs.cancelAll();
    EXPECT_FALSE(jobs.waitUntil(std::chrono::steady_clock::now() + 100ms));
    EXPECT_TRUE(sigtermBlocked);
    release = true;
    EXPECT_TRUE(jobs.waitUntil(std::chrono::steady_clock::now() + 2s));
    EXPECT_FALSE(jobs.busy());
}

// Closing reaches every owner that registered, gives a writer the longer
// deadline, stops what starts after it, and forgets an owner that has gone.
TEST(JobRegistry, StopAllReachesEveryOwnerAndEachKindGetsItsDeadline) {
    JobRegistry registry;
    QObject owner;
    Jobs reader(&owner, registry, JobKind::Reads);
    Jobs writer(&owner, registry, JobKind::Writes);
    std::atomic_int stopped{0};
    auto stopsWhenAsked = [&](std::stop_token stop) {
        while (!stop.stop_requested()) std::this_thread::sleep_for(1ms);
        ++stopped;
    };
    reader.start(stopsWhenAsked);
    {
        Jobs gone(&owner, registry, JobKind::Writes);  // an owner that went before the close
        gone.start(stopsWhenAsked);
    }
    std::atomic_bool release{false};
    std::atomic_bool writing{false};
    writer.start([&](std::stop_token) {
        writing = true;
        while (!release) std::this_thread::sleep_for(1ms);  // a writer finishing its file
    });
    while (!writing) std::this_thread::sleep_for(1ms);

    registry.stopAll();
    const auto now = std::chrono::steady_clock::now();
    EXPECT_FALSE(registry.waitAll(now + 50ms, now + 2s));  // the writer is still at work
    EXPECT_EQ(stopped, 2);                                  // the reader and the gone owner's job
    release = true;
    EXPECT_TRUE(registry.waitAll(std::chrono::steady_clock::now() + 2s, now));

    // A job started after the close is asked to stop at once.
    reader.start(stopsWhenAsked);
    EXPECT_TRUE(reader.waitUntil(std::chrono::steady_clock::now() + 2s));
    EXPECT_EQ(stopped, 3);
}

}  // namespace
}  // namespace zorvik::core
