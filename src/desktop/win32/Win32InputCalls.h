#pragma once

// The user32 input calls the Win32 injector makes, and the one kernel32 conversion, as a table: the system's
// own calls, or a test's recorder that looks at exactly what would reach them. Included only where the
// Windows names are wanted: <windows.h> defines INPUT_MOUSE, VK_SHIFT and the like as macros
// with the same values our interface gives them, so include this after our own headers and
// do not qualify those names with "qm::" in the same file.

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
    std::function<void(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extraInfo)> mouse_event;
    std::function<void(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extraInfo)> keybd_event;
    std::function<SHORT(CHAR character)> VkKeyScanA;
    std::function<int(UINT codePage, DWORD flags, LPCCH text, int length, LPWSTR wide, int wideLength)>
        MultiByteToWideChar;
    std::function<BOOL(LPPOINT point)> GetCursorPos;
    std::function<int(int index)> GetSystemMetrics;

    // The real calls.
    static Win32InputCalls System();
};

}  // namespace qm
