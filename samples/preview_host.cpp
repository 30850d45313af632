// Test helper: plays the part of the preview box of the display settings for a screen saver.
// Usage: tavo-preview-host.exe <saver.scr>
// Makes a small window, runs "<saver> /p <hwnd>", checks the saver puts a child window in it and keeps
// running, then destroys the window and checks the saver ends. Exit code 0 when all of that holds.
#include <windows.h>
#include <stdio.h>

namespace {

LRESULT CALLBACK hostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

// Keeps our window responsive while we wait: the saver's child sends it messages.
void pump(DWORD ms) {
    DWORD t0 = GetTickCount();
    while (GetTickCount() - t0 < ms) {
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(10);
    }
}

// Keeps our window responsive until the saver has filled it with a child, the saver has ended, or `ms`
// have passed: bounded by time, not by a guess of how long a slow machine needs.
HWND waitForChild(HWND host, HANDLE saver, DWORD ms) {
    DWORD t0 = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        HWND child = GetWindow(host, GW_CHILD);
        RECT rc;
        if (child && GetClientRect(child, &rc) && rc.right == 152 && rc.bottom == 112) return child;
        if (WaitForSingleObject(saver, 0) == WAIT_OBJECT_0 || GetTickCount() - t0 >= ms) return 0;
        Sleep(10);
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s <saver.scr>\n", argv[0]);
        return 2;
    }
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = hostProc;
    wc.lpszClassName = "TavoPreviewHost";
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    RegisterClassA(&wc);
    // 152x112 is the size of the classic preview monitor picture
    HWND host = CreateWindowExA(0, wc.lpszClassName, "Preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40,
                                152, 112, 0, 0, 0, 0);
    if (!host) {
        fprintf(stderr, "preview host: cannot create window\n");
        return 2;
    }
    char cmd[MAX_PATH + 64];
    snprintf(cmd, sizeof cmd, "\"%s\" /p %lu", argv[1], (unsigned long)(ULONG_PTR)host);
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(0, cmd, 0, 0, FALSE, 0, 0, 0, &si, &pi)) {
        fprintf(stderr, "preview host: cannot start %s (error %lu)\n", argv[1], GetLastError());
        return 2;
    }
    HWND child = waitForChild(host, pi.hProcess, 30000);
    pump(500);  // it must keep running once it shows
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
        fprintf(stderr, "preview host: saver ended while its preview window still existed\n");
        return 3;
    }
    if (!child) {
        fprintf(stderr, "preview host: saver did not fill the preview window with a child\n");
        TerminateProcess(pi.hProcess, 1);
        return 5;
    }
    DestroyWindow(host);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) {
        fprintf(stderr, "preview host: saver still running 5 s after its preview window was destroyed\n");
        TerminateProcess(pi.hProcess, 1);
        return 4;
    }
    printf("preview host: child window shown, saver ended with its window\n");
    return 0;
}
