// What a start does when another mapper runs.
#include "mapper/ui/core/second_start.h"

#include <gtest/gtest.h>

namespace {

TEST(SecondStartTest, TheElevatedStartTakesOverAndEveryOtherLeavesTheRunningOne) {
    using Step = SecondStartStep;
    const RunningMapper plain = {true, false, true};
    const RunningMapper elevated = {true, true, true};
    const RunningMapper silent = {false, false, true};
    const RunningMapper elsewhere = {true, false, false};
    const struct {
        MutexOutcome mutex;
        bool thisElevated;
        RunningMapper running;
        Step step;
    } cases[] = {
        {MutexOutcome::Created, false, silent, Step::Run},
        {MutexOutcome::AlreadyThere, false, plain, Step::ShowRunning},
        {MutexOutcome::AlreadyThere, true, elevated, Step::ShowRunning},
        // Elevated over one that is not: it closes, this one starts.
        {MutexOutcome::AlreadyThere, true, plain, Step::CloseRunningThenStart},
        {MutexOutcome::AlreadyThere, true, silent, Step::SayAlreadyRunning},
        // The running one is elevated and this start may not even open its mutex.
        {MutexOutcome::AccessDenied, false, elevated, Step::ShowRunning},
        {MutexOutcome::AccessDenied, false, silent, Step::SayAlreadyRunning},
        {MutexOutcome::AlreadyThere, false, silent, Step::SayAlreadyRunning},
        {MutexOutcome::AlreadyThere, false, elsewhere, Step::ShowRunningElsewhere},
        {MutexOutcome::AlreadyThere, true, RunningMapper{true, true, false},
         Step::ShowRunningElsewhere},
        // Taking over wins over the folder: the elevated game needs this one.
        {MutexOutcome::AlreadyThere, true, elsewhere, Step::CloseRunningThenStart},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecideSecondStart(c.mutex, c.thisElevated, c.running), c.step)
            << "row " << (&c - cases);
    }
}

}  // namespace
