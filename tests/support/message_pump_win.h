#pragma once
// The message loop a test runs in place of the program's, for the windows it
// made on its own thread.
#include <windows.h>

namespace corvanta::test {

// Dispatches every message queued now, then returns.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Keeps dispatching for a while, as the program's loop would, so that timers
// fire and what was posted meanwhile runs.
inline void PumpMessagesFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        PumpMessages();
        Sleep(1);
    } while (GetTickCount() - start < milliseconds);
}

}  // namespace corvanta::test
