// A window that writes down the input it receives, one line per message, for the end-to-end run
// of the Windows program under Wine: what the program's input did, as a Windows program sees it.
//   qm-message-recorder.exe FILE
// Lines: "keydown 0x41", "keyup 0x41", "char 97", "lbuttondown 12 34", "lbuttondblclk 12 34", ...
// The window sits at (100, 100), 400 by 300 pixels, and takes the focus. Lines end in LF alone.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

namespace {

std::FILE* record = nullptr;

enum class Shown { Key, Char, Point };
struct Recorded {
    UINT message;
    const char* name;
    Shown shown;
};
constexpr Recorded kRecorded[] = {
    {WM_KEYDOWN, "keydown", Shown::Key},
    {WM_KEYUP, "keyup", Shown::Key},
    {WM_SYSKEYDOWN, "syskeydown", Shown::Key},
    {WM_SYSKEYUP, "syskeyup", Shown::Key},
    {WM_CHAR, "char", Shown::Char},
    {WM_LBUTTONDOWN, "lbuttondown", Shown::Point},
    {WM_LBUTTONUP, "lbuttonup", Shown::Point},
    {WM_LBUTTONDBLCLK, "lbuttondblclk", Shown::Point},
    {WM_RBUTTONDOWN, "rbuttondown", Shown::Point},
    {WM_RBUTTONUP, "rbuttonup", Shown::Point},
    {WM_RBUTTONDBLCLK, "rbuttondblclk", Shown::Point},
};

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    for (const Recorded& recorded : kRecorded) {
        if (recorded.message != message) {
            continue;
        }
        if (recorded.shown == Shown::Key) {
            std::fprintf(record, "%s 0x%02X\n", recorded.name, static_cast<unsigned>(wParam));
        } else if (recorded.shown == Shown::Char) {
            std::fprintf(record, "%s %u 0\n", recorded.name, static_cast<unsigned>(wParam));
        } else {
            std::fprintf(record, "%s %d %d\n", recorded.name, static_cast<short>(LOWORD(lParam)),
                         static_cast<short>(HIWORD(lParam)));
        }
        std::fflush(record);
        // The system keys go on to the system, which turns Alt combinations into commands.
        if (message != WM_SYSKEYDOWN && message != WM_SYSKEYUP) {
            return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (record = std::fopen(argv[1], "wb")) == nullptr) {
        std::fprintf(stderr, "usage: qm-message-recorder FILE\n");
        return 2;
    }
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "QmMessageRecorder";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Message recorder", WS_POPUP | WS_VISIBLE,
                                  100, 100, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    std::fprintf(record, "ready\n");
    std::fflush(record);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    std::fclose(record);
    return 0;
}
