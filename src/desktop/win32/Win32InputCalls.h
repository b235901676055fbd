#pragma once

// The user32 input calls the Win32 desktop makes, and the one kernel32 conversion, as a table: the system's
// own calls, or a test's recorder that looks at exactly what would reach them. Included only where the
// Windows names are wanted: <windows.h> defines many macros (min, max, and names such as
// INPUT_MOUSE and VK_SHIFT), so include this after our own headers.

#include <functional>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace qm {

struct Win32InputCalls {
    std::function<UINT(UINT count, LPINPUT inputs, int size)> SendInput;
    std::function<SHORT(CHAR character)> VkKeyScanA;
    std::function<int(UINT codePage, DWORD flags, LPCCH text, int length, LPWSTR wide, int wideLength)>
        MultiByteToWideChar;
    std::function<BOOL(LPPOINT point)> GetCursorPos;
    std::function<int(int index)> GetSystemMetrics;

    // The real calls.
    static Win32InputCalls System();
};

}  // namespace qm
