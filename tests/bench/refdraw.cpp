// Benchmark reference: a black full-screen window that, on a timer of the given
// interval (default 10 ms), only draws one 100 x 100 bitmap per tick, 4 pixels
// further right each time. The saver's cost is compared with this one's.
#include <windows.h>
#include "rt.h"

static HBITMAP g_sprite;
static int g_x = -50, g_y = 200;

static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
    case WM_TIMER: {
        HDC dc = GetDC(h);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, g_sprite);
        PatBlt(dc, g_x, g_y, 4, 100, BLACKNESS);
        g_x += 4;
        if (g_x > GetSystemMetrics(SM_CXSCREEN)) g_x = -100;
        BitBlt(dc, g_x, g_y, 100, 100, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        ReleaseDC(h, dc);
        return 0;
    }
    case WM_KEYDOWN:
        ExitProcess(0);
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(h, &r);
        FillRect((HDC)w, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return 1;
    }
    default:
        return DefWindowProcA(h, m, w, l);
    }
}

int ProgramMain() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    const char* arg = CommandTail();
    UINT interval = 0;
    while (*arg >= '0' && *arg <= '9') interval = interval * 10 + (UINT)(*arg++ - '0');
    if (!interval) interval = 10;
    HDC screen = GetDC(nullptr);
    g_sprite = CreateCompatibleBitmap(screen, 100, 100);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, g_sprite);
    PatBlt(mem, 0, 0, 100, 100, WHITENESS);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.lpszClassName = "RefDraw";
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "RefDraw", "", WS_POPUP | WS_MAXIMIZE, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, inst,
                             nullptr);
    ShowWindow(h, SW_SHOWMAXIMIZED);
    SetTimer(h, 1, interval, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
