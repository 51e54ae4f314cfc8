/* e2e-displayprops: stands in for the Screen Saver page of Display Properties, which
 * starts a screen saver with the handle of one of its own windows on the command line.
 *
 *   e2e-displayprops <saver> [<settings switch> [<preview switch>]]
 *
 * opens a page "Display Properties" with a preview monitor (a child window) and two
 * buttons that start the saver as the page does, then wait for it while the page goes
 * on answering its messages:
 *   Settings... (id 1001)  <saver> <settings switch>, "/c:%lu" by default (%lu: the page)
 *   Monitor (id 1002)      <saver> <preview switch>, "/p %lu" by default (%lu: the monitor)
 * It reports, one JSON object a line: "page" (the page's and the monitor's handles, the
 * monitor's place on the screen), "started" (the saver's process id and its switch)
 * and "exit" (its exit code and how many visible top-level windows it showed).
 * Closing the page ends the helper.
 */
#include <windows.h>
#include <stdio.h>

#define ID_SETTINGS 1001
#define ID_PREVIEW 1002

static const char *g_saver, *g_settings = "/c:%lu", *g_preview = "/p %lu";
static HWND g_monitor;

struct shown { DWORD pid; HWND seen[16]; int n; };

static BOOL CALLBACK count_shown(HWND h, LPARAM lp)
{
    struct shown *s = (struct shown *)lp;
    DWORD pid = 0;
    int i;
    GetWindowThreadProcessId(h, &pid);
    if (pid != s->pid || !IsWindowVisible(h)) return TRUE;
    for (i = 0; i < s->n; ++i)
        if (s->seen[i] == h) return TRUE;
    if (s->n < 16) s->seen[s->n++] = h;
    return TRUE;
}

/* Starts the saver with the switch and the window's handle, and waits for it. */
static void run_saver(const char *format, HWND handle)
{
    char cmdline[MAX_PATH + 64], sw[64];
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    struct shown shown;
    DWORD code = 0, start = GetTickCount();
    MSG m;
    _snprintf(sw, sizeof sw, format, (unsigned long)(ULONG_PTR)handle);
    _snprintf(cmdline, sizeof cmdline, "%s %s", g_saver, sw);
    cmdline[sizeof cmdline - 1] = 0;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessA(NULL, cmdline, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        printf("{\"event\":\"error\",\"what\":\"CreateProcess\",\"code\":%lu}\n", (unsigned long)GetLastError());
        return;
    }
    printf("{\"event\":\"started\",\"pid\":%lu,\"switch\":\"%s\"}\n", (unsigned long)pi.dwProcessId, sw);
    memset(&shown, 0, sizeof shown);
    shown.pid = pi.dwProcessId;
    while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 20, QS_ALLINPUT) != WAIT_OBJECT_0) {
        while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        EnumWindows(count_shown, (LPARAM)&shown);
    }
    GetExitCodeProcess(pi.hProcess, &code);
    printf("{\"event\":\"exit\",\"t\":%lu,\"code\":%lu,\"windows\":%d}\n", (unsigned long)(GetTickCount() - start),
           (unsigned long)code, shown.n);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

static LRESULT CALLBACK page_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND && LOWORD(wp) == ID_SETTINGS) run_saver(g_settings, h);
    else if (msg == WM_COMMAND && LOWORD(wp) == ID_PREVIEW) run_saver(g_preview, g_monitor);
    else if (msg == WM_DESTROY) PostQuitMessage(0);
    else return DefWindowProcA(h, msg, wp, lp);
    return 0;
}

int main(int argc, char **argv)
{
    WNDCLASSA wc;
    HWND page;
    RECT r;
    MSG m;
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc < 2) {
        fprintf(stderr, "usage: e2e-displayprops <saver> [<settings switch> [<preview switch>]]\n");
        return 2;
    }
    g_saver = argv[1];
    if (argc > 2) g_settings = argv[2];
    if (argc > 3) g_preview = argv[3];
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = page_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "E2EDisplayProperties";
    RegisterClassA(&wc);
    page = CreateWindowA(wc.lpszClassName, "Display Properties", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 40, 40,
                         400, 320, NULL, NULL, wc.hInstance, NULL);
    g_monitor = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 100, 20, 190, 140, page, NULL,
                              wc.hInstance, NULL);
    CreateWindowA("BUTTON", "Settings...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 60, 220, 120, 26, page,
                  (HMENU)ID_SETTINGS, wc.hInstance, NULL);
    CreateWindowA("BUTTON", "Monitor", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 210, 220, 120, 26, page,
                  (HMENU)ID_PREVIEW, wc.hInstance, NULL);
    ShowWindow(page, SW_SHOWNORMAL);
    UpdateWindow(page);
    SetForegroundWindow(page);
    GetWindowRect(g_monitor, &r);
    printf("{\"event\":\"page\",\"hwnd\":\"%p\",\"monitor\":\"%p\",\"monitor_rect\":[%ld,%ld,%ld,%ld]}\n",
           (void *)page, (void *)g_monitor, r.left, r.top, r.right, r.bottom);
    while (GetMessageA(&m, NULL, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
