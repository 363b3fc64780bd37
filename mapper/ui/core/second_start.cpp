#include "mapper/ui/core/second_start.h"

SecondStartStep DecideSecondStart(MutexOutcome mutex, bool thisElevated,
                                  const RunningMapper& running) {
    if (mutex == MutexOutcome::Created) {
        return SecondStartStep::Run;
    }
    if (!running.answered) {
        return SecondStartStep::SayAlreadyRunning;
    }
    // Only a start that could open the mutex can be the elevated one over a
    // mapper that is not.
    if (mutex == MutexOutcome::AlreadyThere && thisElevated && !running.elevated) {
        return SecondStartStep::CloseRunningThenStart;
    }
    return running.sameFolder ? SecondStartStep::ShowRunning
                              : SecondStartStep::ShowRunningElsewhere;
}
