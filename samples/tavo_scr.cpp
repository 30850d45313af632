// TAVO.scr: a small sample screen saver (soft glowing shapes), pure Win32 + GDI.
//   /s            full screen until input
//   /p <hwnd>     preview inside the given window
//   /c, nothing   about box
#include <windows.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kClass[] = "TavoScrWnd";
const char kTitle[] = "TAVO ScreenSaver";
const UINT kTimerId = 1;
const UINT kFrameMs = 33;   // ~30 fps
const int kMoveSlack = 4;   // pixels of mouse jitter tolerated before ending
const int kBlobs = 7;

enum Mode { kAbout, kSaver, kPreview, kQuit };

struct Blob {
    float x, y, vx, vy;  // in units of the shorter window side
    float size, phase, spin;
    int r, g, b;
};

struct State {
    Mode mode;
    HWND parent;
    int w, h;
    HDC mem;
    HBITMAP bmp, oldBmp;
    DWORD *bits;
    Blob blobs[kBlobs];
    DWORD lastTick;
    bool sawFirstMove;
    POINT start;
};

State g;
unsigned g_seed;

// Intensity over squared normalised distance; ints so the per-pixel loop stays integer-only.
const int kFalloffSteps = 1024;  // fine enough that the bright cores show no rings
int g_falloff[kFalloffSteps + 1];

unsigned rnd() {
    g_seed = g_seed * 1103515245u + 12345u;
    return g_seed >> 8;
}

float frand(float lo, float hi) { return lo + (hi - lo) * (float)(rnd() & 0xFFFF) / 65535.0f; }

void initFalloff() {
    for (int i = 0; i <= kFalloffSteps; ++i) {
        float t2 = (float)i / kFalloffSteps;
        // wide halo plus a tight bright core; forced to zero at the rim so edges never show
        float v = expf(-4.5f * t2) * (1.0f - t2) + 0.55f * expf(-45.0f * t2);
        g_falloff[i] = (int)(v * 300.0f);
    }
}

void initBlobs() {
    static const int palette[kBlobs][3] = {
        {40, 200, 255}, {255, 60, 200}, {255, 170, 40}, {80, 255, 120},
        {120, 90, 255}, {255, 90, 70},  {60, 255, 230},
    };
    for (int i = 0; i < kBlobs; ++i) {
        Blob &b = g.blobs[i];
        float ratio = g.h > 0 ? (float)g.w / g.h : 1.0f;
        b.x = frand(0.1f, ratio > 1 ? ratio - 0.1f : 0.9f);
        b.y = frand(0.1f, ratio < 1 ? 1.0f / ratio - 0.1f : 0.9f);
        b.vx = frand(-0.09f, 0.09f);
        b.vy = frand(-0.07f, 0.07f);
        b.size = frand(0.16f, 0.30f);
        b.phase = frand(0.0f, 6.28f);
        b.spin = frand(0.6f, 1.4f);
        b.r = palette[i][0];
        b.g = palette[i][1];
        b.b = palette[i][2];
    }
}

void freeBuffer() {
    if (g.mem) {
        SelectObject(g.mem, g.oldBmp);
        DeleteObject(g.bmp);
        DeleteDC(g.mem);
    }
    g.mem = 0;
    g.bmp = 0;
    g.bits = 0;
}

bool makeBuffer(HWND hwnd, int w, int h) {
    freeBuffer();
    g.w = w > 0 ? w : 1;
    g.h = h > 0 ? h : 1;
    BITMAPINFO bi;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = g.w;
    bi.bmiHeader.biHeight = -g.h;  // top-down, so row 0 is the top line
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(hwnd);
    void *bits = 0;
    g.bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    g.mem = CreateCompatibleDC(dc);
    ReleaseDC(hwnd, dc);
    if (!g.bmp || !g.mem) {
        if (g.bmp) DeleteObject(g.bmp);
        if (g.mem) DeleteDC(g.mem);
        g.bmp = 0;
        g.mem = 0;
        return false;
    }
    g.oldBmp = (HBITMAP)SelectObject(g.mem, g.bmp);
    g.bits = (DWORD *)bits;
    return true;
}

void step(float dt) {
    float ratio = (float)g.w / g.h;
    float maxX = ratio > 1 ? ratio : 1.0f;
    float maxY = ratio < 1 ? 1.0f / ratio : 1.0f;
    for (int i = 0; i < kBlobs; ++i) {
        Blob &b = g.blobs[i];
        b.x += b.vx * dt;
        b.y += b.vy * dt;
        b.phase += b.spin * dt;
        if (b.phase > 6.2831853f) b.phase -= 6.2831853f;
        // bounce softly so shapes stay mostly on screen
        if ((b.x < 0 && b.vx < 0) || (b.x > maxX && b.vx > 0)) b.vx = -b.vx;
        if ((b.y < 0 && b.vy < 0) || (b.y > maxY && b.vy > 0)) b.vy = -b.vy;
    }
}

void addBlob(const Blob &b, int unit) {
    int cx = (int)(b.x * unit);
    int cy = (int)(b.y * unit);
    int rad = (int)(b.size * unit * (1.0f + 0.18f * sinf(b.phase)));
    if (rad < 2) rad = 2;
    int x0 = cx - rad, x1 = cx + rad, y0 = cy - rad, y1 = cy + rad;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > g.w) x1 = g.w;
    if (y1 > g.h) y1 = g.h;
    unsigned r2 = (unsigned)rad * (unsigned)rad;
    // fixed-point steps/r2 so the table index is a multiply and a shift; d2 < r2 keeps it under 2^30
    unsigned scale = (unsigned)(((unsigned long long)kFalloffSteps << 20) / r2);
    // a slow breathing brightness keeps the scene alive even when shapes drift slowly
    int pulse = 200 + (int)(56.0f * sinf(b.phase * 0.7f + 1.0f));
    int cr = b.r * pulse >> 8, cg = b.g * pulse >> 8, cb = b.b * pulse >> 8;
    for (int y = y0; y < y1; ++y) {
        int dy = y - cy;
        unsigned dy2 = (unsigned)(dy * dy);
        DWORD *row = g.bits + (size_t)y * g.w;
        for (int x = x0; x < x1; ++x) {
            int dx = x - cx;
            unsigned d2 = dy2 + (unsigned)(dx * dx);
            if (d2 >= r2) continue;
            int k = g_falloff[(unsigned)((d2 * scale) >> 20)];
            DWORD p = row[x];
            int pr = (int)((p >> 16) & 255) + (cr * k >> 8);
            int pg = (int)((p >> 8) & 255) + (cg * k >> 8);
            int pb = (int)(p & 255) + (cb * k >> 8);
            if (pr > 255) pr = 255;
            if (pg > 255) pg = 255;
            if (pb > 255) pb = 255;
            row[x] = (DWORD)((pr << 16) | (pg << 8) | pb);
        }
    }
}

void render() {
    if (!g.bits) return;
    // dark blue-violet vertical gradient behind the glow
    for (int y = 0; y < g.h; ++y) {
        int t = y * 255 / g.h;
        DWORD c = (DWORD)(((4 + t / 24) << 16) | ((3 + t / 40) << 8) | (14 + t / 10));
        DWORD *row = g.bits + (size_t)y * g.w;
        for (int x = 0; x < g.w; ++x) row[x] = c;
    }
    int unit = g.w < g.h ? g.w : g.h;
    for (int i = 0; i < kBlobs; ++i) addBlob(g.blobs[i], unit);
}

void present(HDC dc) {
    if (g.mem) BitBlt(dc, 0, 0, g.w, g.h, g.mem, 0, 0, SRCCOPY);
}

void frame(HWND hwnd) {
    DWORD now = GetTickCount();
    float dt = (now - g.lastTick) / 1000.0f;
    g.lastTick = now;
    if (dt > 0.2f) dt = 0.2f;  // after a stall, do not jump
    step(dt);
    render();
    HDC dc = GetDC(hwnd);
    present(dc);
    ReleaseDC(hwnd, dc);
}

void endSaver(HWND hwnd) {
    if (g.mode == kSaver) PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK wndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        RECT rc;
        GetClientRect(hwnd, &rc);
        if (!makeBuffer(hwnd, rc.right, rc.bottom)) return -1;
        initBlobs();
        g.lastTick = GetTickCount();
        render();
        SetTimer(hwnd, kTimerId, kFrameMs, 0);
        return 0;
    }
    case WM_SIZE:
        if (LOWORD(lp) != g.w || HIWORD(lp) != g.h) {
            makeBuffer(hwnd, LOWORD(lp), HIWORD(lp));
            render();
        }
        return 0;
    case WM_TIMER:
        if (wp == kTimerId) {
            // a preview host can vanish without our child getting destroyed first
            if (g.mode == kPreview && !IsWindow(g.parent)) {
                DestroyWindow(hwnd);
                return 0;
            }
            frame(hwnd);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the frame covers everything; erasing would flicker
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        present(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETCURSOR:
        if (g.mode == kSaver) {
            SetCursor(0);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        if (g.mode == kSaver) {
            POINT pt = {(short)LOWORD(lp), (short)HIWORD(lp)};
            ClientToScreen(hwnd, &pt);
            // the first move is sent just because the window appeared under the cursor
            if (!g.sawFirstMove) {
                g.sawFirstMove = true;
                g.start = pt;
            } else if (abs(pt.x - g.start.x) > kMoveSlack || abs(pt.y - g.start.y) > kMoveSlack) {
                endSaver(hwnd);
            }
        }
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_MOUSEWHEEL:
        endSaver(hwnd);
        break;
    case WM_ACTIVATEAPP:
        if (!wp) endSaver(hwnd);  // another program took over the screen
        break;
    case WM_SYSCOMMAND:
        // do not let the system start another saver on top of this one
        if (g.mode == kSaver && ((wp & 0xFFF0) == SC_SCREENSAVE || (wp & 0xFFF0) == SC_MONITORPOWER))
            return 0;
        break;
    case WM_DESTROY:
        KillTimer(hwnd, kTimerId);
        freeBuffer();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

const char *skipSpace(const char *p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// Accepts "/s", "-S", "/p 123", "/p:123", "/c", "/c:123"; anything unknown shows the about box.
Mode parseArgs(const char *p, HWND *hwndOut) {
    *hwndOut = 0;
    p = skipSpace(p);
    if (*p != '/' && *p != '-') return kAbout;
    char c = p[1];
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    p += c ? 2 : 1;
    if (*p == ':') ++p;
    p = skipSpace(p);
    unsigned long v = 0;
    while (*p >= '0' && *p <= '9') v = v * 10 + (unsigned long)(*p++ - '0');
    *hwndOut = (HWND)(ULONG_PTR)v;
    switch (c) {
    case 's': return kSaver;
    case 'p':
    case 'l': return kPreview;
    case 'a': return kQuit;  // no password support: nothing to change
    default: return kAbout;
    }
}

void beDpiAware() {
    // real pixels on scaled displays; looked up at run time so older systems still load us
    typedef BOOL(WINAPI * Fn)(void);
    HMODULE user = GetModuleHandleA("user32.dll");
    Fn fn = user ? (Fn)(void *)GetProcAddress(user, "SetProcessDPIAware") : 0;
    if (fn) fn();
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdLine, int) {
    HWND target;
    g.mode = parseArgs(cmdLine ? cmdLine : "", &target);
    g.parent = target;
    g_seed = GetTickCount() ^ 0x5DEECE66u;

    if (g.mode == kQuit) return 0;
    if (g.mode == kAbout) {
        HWND owner = target && IsWindow(target) ? target : 0;
        MessageBoxA(owner, "TAVO ScreenSaver\n\nSoft glowing shapes drifting in the dark.\nThere is nothing to configure.",
                    kTitle, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    if (g.mode == kPreview && (!target || !IsWindow(target))) return 1;

    initFalloff();

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = wndProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(1));
    wc.hCursor = g.mode == kSaver ? 0 : LoadCursorA(0, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = kClass;
    if (!RegisterClassA(&wc)) return 1;

    HWND hwnd;
    if (g.mode == kSaver) {
        beDpiAware();
        int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        if (w <= 0 || h <= 0) {
            x = y = 0;
            w = GetSystemMetrics(SM_CXSCREEN);
            h = GetSystemMetrics(SM_CYSCREEN);
        }
        hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClass, kTitle, WS_POPUP, x, y, w, h, 0, 0,
                               inst, 0);
        if (!hwnd) return 1;
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        ShowCursor(FALSE);
    } else {
        RECT rc;
        GetClientRect(target, &rc);
        hwnd = CreateWindowExA(0, kClass, kTitle, WS_CHILD | WS_VISIBLE, 0, 0, rc.right, rc.bottom, target, 0,
                               inst, 0);
        if (!hwnd) return 1;
    }
    UpdateWindow(hwnd);

    MSG m;
    while (GetMessageA(&m, 0, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    if (g.mode == kSaver) ShowCursor(TRUE);
    return 0;
}
