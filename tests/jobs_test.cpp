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
        Jobs jobs(&owner);
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
    auto jobs = std::make_unique<Jobs>(owner.get());
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
    Jobs jobs(&owner);
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
    Jobs jobs(&owner);
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

}  // namespace
}  // namespace zorvik::core
