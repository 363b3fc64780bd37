#pragma once
// What the stand-alone POSIX backends of both programs share. They exist for
// the native tests and benchmarks only; the programs run on the Win32
// backends.
#include <cerrno>

// Calls `call` (a system call returning -1 on failure) again for as long as
// a signal interrupts it, and returns its result.
template <typename Call>
auto RetryOnSignal(Call call) -> decltype(call()) {
    for (;;) {
        const auto result = call();
        if (!(result < 0 && errno == EINTR)) {
            return result;
        }
    }
}
