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

void Write(const char* what, unsigned long long a, long long b = -1) {
    if (b >= 0) {
        std::fprintf(record, "%s %llu %lld\n", what, a, b);
    } else {
        std::fprintf(record, "%s 0x%02llX\n", what, a);
    }
    std::fflush(record);
}

void WritePoint(const char* what, LPARAM lParam) {
    const auto x = static_cast<short>(LOWORD(lParam));
    const auto y = static_cast<short>(HIWORD(lParam));
    std::fprintf(record, "%s %d %d\n", what, x, y);
    std::fflush(record);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            Write("keydown", wParam);
            return 0;
        case WM_KEYUP:
            Write("keyup", wParam);
            return 0;
        case WM_SYSKEYDOWN:
            Write("syskeydown", wParam);
            break;
        case WM_SYSKEYUP:
            Write("syskeyup", wParam);
            break;
        case WM_CHAR:
            Write("char", wParam, 0);
            return 0;
        case WM_LBUTTONDOWN:
            WritePoint("lbuttondown", lParam);
            return 0;
        case WM_LBUTTONUP:
            WritePoint("lbuttonup", lParam);
            return 0;
        case WM_LBUTTONDBLCLK:
            WritePoint("lbuttondblclk", lParam);
            return 0;
        case WM_RBUTTONDOWN:
            WritePoint("rbuttondown", lParam);
            return 0;
        case WM_RBUTTONUP:
            WritePoint("rbuttonup", lParam);
            return 0;
        case WM_RBUTTONDBLCLK:
            WritePoint("rbuttondblclk", lParam);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
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
