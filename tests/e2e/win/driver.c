/* e2e-driver: runs beside a program under test (under Wine) and reports, one JSON
 * object per line on stdout, what the program shows; it answers the program's
 * dialogs as told and prints the program's exit code.
 *
 *   e2e-driver run [options] <command line>
 *       --answers=A,B,...   answers for the dialogs, in the order they appear. Each
 *                           answer is one or more actions joined by '+':
 *                             N      click button N (WM_COMMAND N)
 *                             close  the close box (WM_SYSCOMMAND SC_CLOSE)
 *                             none   leave the dialog alone
 *                           Between actions of one answer the driver waits a moment
 *                           and reports whether the dialog is still open.
 *       --timeout=MS        end the program (and report "timeout") after MS ms
 *       --extra=kill|wait   a dialog with no answer left: end the program
 *                           (default) or leave it be until the timeout
 *       --quiet-progress    do not report progress-bar changes
 *       --any-process       report and answer the dialogs of every process, not only
 *                           the one started (a client that starts the program), and
 *                           go on after it has ended until no dialog has been up for
 *                           three seconds (a client that does not wait)
 *   e2e-driver windows [pid]           visible top-level windows (of one process)
 *   e2e-driver clipboard               the clipboard's CF_TEXT
 *   e2e-driver setclip <text>          put text on the clipboard
 *   e2e-driver holdclip <ms>           hold the clipboard open for ms milliseconds
 *   e2e-driver click <hwnd> <id>       WM_COMMAND id to a window
 *   e2e-driver scroll <hwnd> <code>    WM_HSCROLL code (0 = SB_LINELEFT ... 6 = SB_LEFT,
 *                                      7 = SB_RIGHT) from the first scroll bar of hwnd
 *   e2e-driver scrollpos <hwnd>        position and range of the first scroll bar of hwnd
 *   e2e-driver close <hwnd>            WM_SYSCOMMAND SC_CLOSE
 *   e2e-driver focus <hwnd>            the control with the keyboard focus in hwnd's thread
 *
 * A dialog (class "#32770") that holds a progress bar is reported but never answered.
 */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_SEEN 512

static DWORD g_start;     /* tick count when the program was started */
static DWORD g_seen_tick; /* tick count when the window being reported was first seen */

static void json_str(const char *s)
{
    putchar('"');
    for (; *s; ++s) {
        unsigned char c = (unsigned char)*s;
        if (c == '"' || c == '\\') printf("\\%c", c);
        else if (c == '\n') printf("\\n");
        else if (c == '\r') printf("\\r");
        else if (c == '\t') printf("\\t");
        else if (c < 0x20 || c >= 0x7f) printf("\\u%04x", c);
        else putchar(c);
    }
    putchar('"');
}

/* The text of a window: WM_GETTEXT when the owner answers in time (edit controls
 * keep their text to themselves), else the text the system keeps for it. */
static void window_text(HWND h, char *buf, int cap)
{
    DWORD_PTR got = 0;
    buf[0] = 0;
    if (SendMessageTimeoutA(h, WM_GETTEXT, (WPARAM)cap, (LPARAM)buf, SMTO_ABORTIFHUNG, 300, &got) == 0)
        GetWindowTextA(h, buf, cap);
    buf[cap - 1] = 0;
}

/* Range and position of a progress bar in another process. Only the message results
 * are used: a pointer in lParam would not be valid in the program's address space. */
static int query_progress(HWND bar, int *low, int *high, int *pos)
{
    DWORD_PTR l = 0, h = 0, p = 0;
    if (!SendMessageTimeoutA(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 300, &l)) return 0;
    if (!SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 300, &h)) return 0;
    if (!SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 300, &p)) return 0;
    *low = (int)l;
    *high = (int)h;
    *pos = (int)p;
    return 1;
}

static void print_progress(HWND bar)
{
    int low, high, pos;
    if (query_progress(bar, &low, &high, &pos)) printf("{\"low\":%d,\"high\":%d,\"pos\":%d}", low, high, pos);
    else printf("null");
}

struct child_list { int n; };

static BOOL CALLBACK print_child(HWND h, LPARAM lp)
{
    struct child_list *cl = (struct child_list *)lp;
    char cls[128] = "", text[1024] = "";
    RECT rc;
    GetClassNameA(h, cls, sizeof cls);
    window_text(h, text, sizeof text);
    GetWindowRect(h, &rc);
    if (cl->n++) putchar(',');
    printf("{\"hwnd\":\"%p\",\"id\":%d,\"class\":", (void *)h, (int)(short)GetDlgCtrlID(h));
    json_str(cls);
    printf(",\"text\":");
    json_str(text);
    printf(",\"style\":%lu,\"visible\":%s,\"rect\":[%ld,%ld,%ld,%ld]",
           (unsigned long)GetWindowLongA(h, GWL_STYLE), IsWindowVisible(h) ? "true" : "false",
           rc.left, rc.top, rc.right, rc.bottom);
    if (strcmp(cls, "msctls_progress32") == 0) {
        printf(",\"progress\":");
        print_progress(h);
    }
    putchar('}');
    return TRUE;
}

static HWND find_child_class(HWND parent, const char *want)
{
    HWND c = NULL;
    while ((c = FindWindowExA(parent, c, NULL, NULL)) != NULL) {
        char cls[128];
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, want) == 0) return c;
        {
            HWND deeper = find_child_class(c, want);
            if (deeper) return deeper;
        }
    }
    return NULL;
}

/* Which system icon a message box shows: the icon control's pixels on the screen
 * against the system icons drawn here on the same background. */
static const char *classify_icon(HWND stat)
{
    static const struct { LPCSTR id; const char *name; } icons[] = {
        {IDI_HAND, "error"}, {IDI_EXCLAMATION, "warning"}, {IDI_ASTERISK, "information"}, {IDI_QUESTION, "question"}};
    BITMAPINFO bi;
    DWORD *shot = NULL, *mine = NULL;
    HDC screen, mem;
    HBITMAP hshot, hmine, old;
    POINT o = {0, 0};
    RECT rc;
    const char *best = "unknown";
    int w, h, x, y, k, bestdiff;
    {
        DWORD_PTR hicon = 0;
        if (SendMessageTimeoutA(stat, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 300, &hicon) && hicon == 0)
            return "none";
    }
    GetClientRect(stat, &rc);
    w = rc.right < 32 ? rc.right : 32;
    h = rc.bottom < 32 ? rc.bottom : 32;
    if (w <= 0 || h <= 0) return "none";
    bestdiff = w * h / 8;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 32;
    bi.bmiHeader.biHeight = -32;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    screen = GetDC(NULL);
    mem = CreateCompatibleDC(screen);
    hshot = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, (void **)&shot, NULL, 0);
    hmine = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, (void **)&mine, NULL, 0);
    ClientToScreen(stat, &o);
    old = (HBITMAP)SelectObject(mem, hshot);
    BitBlt(mem, 0, 0, 32, 32, screen, o.x, o.y, SRCCOPY);
    GdiFlush();
    {
        int uniform = 1;
        for (y = 0; y < h && uniform; ++y)
            for (x = 0; x < w; ++x)
                if ((shot[y * 32 + x] & 0xffffff) != (shot[0] & 0xffffff)) {
                    uniform = 0;
                    break;
                }
        if (uniform) best = "none"; /* the control is there but shows no icon */
    }
    for (k = 0; k < 4 && strcmp(best, "none") != 0; ++k) {
        int diff = 0, i;
        SelectObject(mem, hmine);
        for (i = 0; i < 32 * 32; ++i) mine[i] = shot[0];
        DrawIconEx(mem, 0, 0, LoadIconA(NULL, icons[k].id), 32, 32, 0, NULL, DI_NORMAL);
        GdiFlush();
        for (y = 0; y < h; ++y)
            for (x = 0; x < w; ++x)
                if ((mine[y * 32 + x] & 0xffffff) != (shot[y * 32 + x] & 0xffffff)) ++diff;
        if (diff < bestdiff) {
            bestdiff = diff;
            best = icons[k].name;
        }
    }
    SelectObject(mem, old);
    DeleteObject(hshot);
    DeleteObject(hmine);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    return best;
}

/* The icon control of a message box: a visible static with the SS_ICON style. */
static HWND find_icon_static(HWND dlg)
{
    HWND c = NULL;
    while ((c = FindWindowExA(dlg, c, "Static", NULL)) != NULL)
        if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(c)) return c;
    return NULL;
}

/* Prints a window with its controls; returns 0 (and prints nothing) when it is gone. */
static int print_window(const char *event, HWND h)
{
    char cls[128] = "", text[1024] = "";
    RECT rc, cr;
    POINT origin = {0, 0};
    DWORD pid = 0;
    struct child_list cl = {0};
    GetWindowThreadProcessId(h, &pid);
    if (!GetClassNameA(h, cls, sizeof cls)) return 0;
    window_text(h, text, sizeof text);
    GetWindowRect(h, &rc);
    GetClientRect(h, &cr);
    ClientToScreen(h, &origin);
    printf("{\"event\":\"%s\",\"t\":%lu,\"hwnd\":\"%p\",\"pid\":%lu,\"class\":", event,
           (unsigned long)(g_seen_tick - g_start), (void *)h, (unsigned long)pid);
    json_str(cls);
    printf(",\"caption\":");
    json_str(text);
    printf(",\"owner\":\"%p\",\"focus\":%s", (void *)GetWindow(h, GW_OWNER), GetForegroundWindow() == h ? "true" : "false");
    printf(",\"style\":%lu,\"exstyle\":%lu,\"rect\":[%ld,%ld,%ld,%ld],\"client\":[%ld,%ld,%ld,%ld]",
           (unsigned long)GetWindowLongA(h, GWL_STYLE), (unsigned long)GetWindowLongA(h, GWL_EXSTYLE),
           rc.left, rc.top, rc.right, rc.bottom,
           origin.x, origin.y, origin.x + cr.right, origin.y + cr.bottom);
    if (strcmp(cls, "#32770") == 0) {
        HWND icon = find_icon_static(h);
        printf(",\"icon\":");
        const char *kind = icon ? classify_icon(icon) : "none";
        int tries;
        for (tries = 0; icon && tries < 5 && strcmp(kind, "unknown") == 0; ++tries) {
            Sleep(100); /* not painted yet */
            kind = classify_icon(icon);
        }
        if (strcmp(kind, "none") != 0) {
            printf("\"%s\"", kind);
        } else {
            printf("null");
        }
    }
    printf(",\"controls\":[");
    EnumChildWindows(h, print_child, (LPARAM)&cl);
    printf("]}\n");
    if (!IsWindow(h)) {
        /* destroyed while it was being read: what was printed may be incomplete */
        printf("{\"event\":\"vanished\",\"hwnd\":\"%p\"}\n", (void *)h);
        fflush(stdout);
        return 0;
    }
    fflush(stdout);
    return 1;
}

/* ---- run ---- */

static void report_progress_change(HWND bar, int *last_low, int *last_high, int *last_pos)
{
    int low, high, pos;
    if (query_progress(bar, &low, &high, &pos) && (low != *last_low || high != *last_high || pos != *last_pos)) {
        *last_low = low;
        *last_high = high;
        *last_pos = pos;
        printf("{\"event\":\"progress\",\"low\":%d,\"high\":%d,\"pos\":%d}\n", low, high, pos);
        fflush(stdout);
    }
}

struct top_list { DWORD pid; HWND found[64]; int n; };

static BOOL CALLBACK collect_top(HWND h, LPARAM lp)
{
    struct top_list *tl = (struct top_list *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if ((tl->pid == 0 || pid == tl->pid) && IsWindowVisible(h) && tl->n < 64)
        tl->found[tl->n++] = h;
    return TRUE;
}

static int is_dialog(HWND h)
{
    char cls[64] = "";
    GetClassNameA(h, cls, sizeof cls);
    return strcmp(cls, "#32770") == 0;
}

static void act(HWND h, const char *action)
{
    if (strcmp(action, "close") == 0) {
        PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (strcmp(action, "none") == 0) {
        /* leave it */
    } else {
        int id = atoi(action);
        PostMessageA(h, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(h, id));
    }
    printf("{\"event\":\"answer\",\"t\":%lu,\"hwnd\":\"%p\",\"action\":", (unsigned long)(GetTickCount() - g_start),
           (void *)h);
    json_str(action);
    printf("}\n");
    fflush(stdout);
}

static int cmd_run(int argc, char **argv)
{
    const char *answers = "";
    const char *cmdline = NULL;
    DWORD timeout = 60000;
    int extra_kill = 1, report_progress = 1, any_process = 0, ended = 0;
    DWORD last_dialog = 0;
    int i;
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    HWND seen[MAX_SEEN];
    int nseen = 0;
    HWND progress_bar = NULL;
    int last_pos = -1, last_high = -1, last_low = -1;
    char *answer_buf;
    char *next_answer;
    DWORD start;
    DWORD code = 0;

    for (i = 2; i < argc; ++i) {
        if (strncmp(argv[i], "--answers=", 10) == 0) answers = argv[i] + 10;
        else if (strncmp(argv[i], "--timeout=", 10) == 0) timeout = (DWORD)strtoul(argv[i] + 10, NULL, 10);
        else if (strcmp(argv[i], "--extra=wait") == 0) extra_kill = 0;
        else if (strcmp(argv[i], "--extra=kill") == 0) extra_kill = 1;
        else if (strcmp(argv[i], "--quiet-progress") == 0) report_progress = 0;
        else if (strcmp(argv[i], "--any-process") == 0) any_process = 1;
        else { cmdline = argv[i]; break; }
    }
    if (!cmdline) {
        fprintf(stderr, "run: no command line\n");
        return 2;
    }
    answer_buf = _strdup(answers);
    next_answer = answer_buf[0] ? answer_buf : NULL;

    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    {
        char *cl = _strdup(cmdline);
        BOOL ok = CreateProcessA(NULL, cl, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
        /* Wine has failed a start with ERROR_INTERNAL_ERROR (1359) on a loaded machine,
           once in a suite: nothing ran, so the start is tried once more, and said. */
        if (!ok && GetLastError() == ERROR_INTERNAL_ERROR) {
            printf("{\"event\":\"retry\",\"what\":\"CreateProcess\",\"code\":%lu}\n",
                   (unsigned long)ERROR_INTERNAL_ERROR);
            fflush(stdout);
            Sleep(500);
            free(cl);
            cl = _strdup(cmdline);
            ok = CreateProcessA(NULL, cl, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
        }
        if (!ok) {
            printf("{\"event\":\"error\",\"what\":\"CreateProcess\",\"code\":%lu}\n", (unsigned long)GetLastError());
            fflush(stdout);
            return 2;
        }
        free(cl);
    }
    printf("{\"event\":\"started\",\"pid\":%lu}\n", (unsigned long)pi.dwProcessId);
    fflush(stdout);
    start = GetTickCount();
    g_start = start;

    for (;;) {
        struct top_list tl;
        int k;
        DWORD w = WaitForSingleObject(pi.hProcess, 40);
        if (w == WAIT_OBJECT_0) {
            if (!any_process) break;
            if (!ended) ended = 1, last_dialog = GetTickCount();
            if (GetTickCount() - last_dialog > 3000) break;
        }
        if (GetTickCount() - start > timeout) {
            printf("{\"event\":\"timeout\"}\n");
            fflush(stdout);
            TerminateProcess(pi.hProcess, 259);
            WaitForSingleObject(pi.hProcess, 5000);
            return 3;
        }
        memset(&tl, 0, sizeof tl);
        tl.pid = any_process ? 0 : pi.dwProcessId;
        EnumWindows(collect_top, (LPARAM)&tl);
        for (k = 0; k < tl.n; ++k)
            if (is_dialog(tl.found[k])) last_dialog = GetTickCount();
        if (progress_bar && !IsWindow(progress_bar)) progress_bar = NULL;
        /* a progress dialog first, so that the questions shown over it find it known */
        for (k = 1; k < tl.n; ++k)
            if (find_child_class(tl.found[k], "msctls_progress32")) {
                HWND t = tl.found[0];
                tl.found[0] = tl.found[k];
                tl.found[k] = t;
            }
        for (k = 0; k < tl.n; ++k) {
            HWND h = tl.found[k];
            int j, known = 0;
            for (j = 0; j < nseen; ++j)
                if (seen[j] == h) known = 1;
            if (known) continue;
            g_seen_tick = GetTickCount();
            Sleep(150); /* let the window finish building its controls */
            if (!IsWindow(h)) continue;
            if (!IsWindowVisible(h)) continue; /* hidden again: report it if it shows */
            if (nseen < MAX_SEEN) seen[nseen++] = h;
            {
                /* looked for before the window is read: a progress dialog that goes away
                 * meanwhile must not be taken for a question */
                HWND bar = is_dialog(h) ? find_child_class(h, "msctls_progress32") : NULL;
                if (!print_window("window", h)) continue;
                if (!is_dialog(h) && !bar) continue;
                if (bar) {
                    progress_bar = bar;
                    last_low = last_high = last_pos = -1;
                    continue;
                }
            }
            /* where the progress bar stood when this question came up */
            if (progress_bar && report_progress) report_progress_change(progress_bar, &last_low, &last_high, &last_pos);
            if (next_answer == NULL) {
                if (extra_kill) {
                    printf("{\"event\":\"unexpected\",\"hwnd\":\"%p\"}\n", (void *)h);
                    fflush(stdout);
                    TerminateProcess(pi.hProcess, 258);
                    WaitForSingleObject(pi.hProcess, 5000);
                    return 4;
                }
                continue;
            }
            {
                char *answer = next_answer;
                char *comma = strchr(answer, ',');
                char *action;
                if (comma) {
                    *comma = 0;
                    next_answer = comma + 1;
                } else {
                    next_answer = NULL;
                }
                action = answer;
                for (;;) {
                    char *plus = strchr(action, '+');
                    if (plus) *plus = 0;
                    act(h, action);
                    if (!plus) break;
                    Sleep(500);
                    printf("{\"event\":\"still_open\",\"hwnd\":\"%p\",\"open\":%s}\n", (void *)h,
                           IsWindow(h) && IsWindowVisible(h) ? "true" : "false");
                    fflush(stdout);
                    action = plus + 1;
                }
            }
        }
        if (progress_bar && report_progress) report_progress_change(progress_bar, &last_low, &last_high, &last_pos);
    }
    GetExitCodeProcess(pi.hProcess, &code);
    printf("{\"event\":\"exit\",\"t\":%lu,\"code\":%lu}\n", (unsigned long)(GetTickCount() - g_start), (unsigned long)code);
    fflush(stdout);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    free(answer_buf);
    return 0;
}

static int cmd_windows(int argc, char **argv)
{
    struct top_list tl;
    int k;
    memset(&tl, 0, sizeof tl);
    if (argc > 2) tl.pid = (DWORD)strtoul(argv[2], NULL, 0);
    EnumWindows(collect_top, (LPARAM)&tl);
    for (k = 0; k < tl.n; ++k) print_window("window", tl.found[k]);
    return 0;
}

static int cmd_clipboard(void)
{
    HANDLE data;
    int tries;
    for (tries = 0; tries < 20; ++tries) {
        if (OpenClipboard(NULL)) break;
        Sleep(100);
    }
    if (tries == 20) {
        printf("{\"event\":\"clipboard\",\"error\":\"open\"}\n");
        return 1;
    }
    data = GetClipboardData(CF_TEXT);
    printf("{\"event\":\"clipboard\",\"text\":");
    if (data) {
        const char *p = (const char *)GlobalLock(data);
        json_str(p ? p : "");
        if (p) GlobalUnlock(data);
    } else {
        printf("null");
    }
    printf("}\n");
    CloseClipboard();
    return 0;
}

/* Opens the clipboard with a window of the driver's own: opened without one, the
 * clipboard has no owner once emptied, and Windows refuses the data then set. */
static int open_clipboard(void)
{
    HWND w = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, NULL, NULL, GetModuleHandleA(NULL), NULL);
    int tries;
    for (tries = 0; tries < 20 && !OpenClipboard(w); ++tries) Sleep(100);
    return tries < 20;
}

static int cmd_setclip(const char *text)
{
    size_t n = strlen(text) + 1;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n);
    memcpy(GlobalLock(mem), text, n);
    GlobalUnlock(mem);
    if (!open_clipboard()) return 1;
    EmptyClipboard();
    SetClipboardData(CF_TEXT, mem);
    CloseClipboard();
    printf("{\"event\":\"setclip\"}\n");
    return 0;
}

/* Holds the clipboard open, as a program that is reading it does. */
static int cmd_holdclip(DWORD ms)
{
    if (!open_clipboard()) return 1;
    printf("{\"event\":\"holdclip\"}\n");
    Sleep(ms);
    CloseClipboard();
    return 0;
}

/* The control that holds the keyboard focus in the thread of a window. */
static int cmd_focus(HWND h)
{
    GUITHREADINFO gi;
    char cls[128] = "";
    memset(&gi, 0, sizeof gi);
    gi.cbSize = sizeof gi;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(h, NULL), &gi)) {
        printf("{\"event\":\"focus\",\"error\":%lu}\n", (unsigned long)GetLastError());
        return 1;
    }
    if (gi.hwndFocus) GetClassNameA(gi.hwndFocus, cls, sizeof cls);
    printf("{\"event\":\"focus\",\"hwnd\":\"%p\",\"id\":%d,\"class\":", (void *)gi.hwndFocus,
           gi.hwndFocus ? (int)(short)GetDlgCtrlID(gi.hwndFocus) : 0);
    json_str(cls);
    printf(",\"active\":\"%p\"}\n", (void *)gi.hwndActive);
    return 0;
}

static HWND parse_hwnd(const char *s)
{
    return (HWND)(ULONG_PTR)_strtoui64(s, NULL, 16);
}

static int cmd_scroll(HWND h, int code)
{
    HWND bar = find_child_class(h, "ScrollBar");
    if (!bar) {
        printf("{\"event\":\"error\",\"what\":\"no scroll bar\"}\n");
        return 1;
    }
    SendMessageTimeoutA(GetParent(bar), WM_HSCROLL, MAKEWPARAM(code, 0), (LPARAM)bar, SMTO_ABORTIFHUNG, 2000, NULL);
    SendMessageTimeoutA(GetParent(bar), WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), (LPARAM)bar, SMTO_ABORTIFHUNG,
                        2000, NULL);
    printf("{\"event\":\"scrolled\",\"code\":%d}\n", code);
    return 0;
}

static int cmd_scrollpos(HWND h)
{
    HWND bar = find_child_class(h, "ScrollBar");
    SCROLLINFO si;
    if (!bar) {
        printf("{\"event\":\"error\",\"what\":\"no scroll bar\"}\n");
        return 1;
    }
    memset(&si, 0, sizeof si);
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(bar, SB_CTL, &si);
    printf("{\"event\":\"scrollpos\",\"pos\":%d,\"min\":%d,\"max\":%d}\n", si.nPos, si.nMin, si.nMax);
    return 0;
}

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc < 2) {
        fprintf(stderr, "usage: e2e-driver run|windows|clipboard|click|scroll|scrollpos|close ...\n");
        return 2;
    }
    if (strcmp(argv[1], "run") == 0) return cmd_run(argc, argv);
    if (strcmp(argv[1], "windows") == 0) return cmd_windows(argc, argv);
    if (strcmp(argv[1], "clipboard") == 0) return cmd_clipboard();
    if (strcmp(argv[1], "setclip") == 0 && argc > 2) return cmd_setclip(argv[2]);
    if (strcmp(argv[1], "holdclip") == 0 && argc > 2) return cmd_holdclip((DWORD)strtoul(argv[2], NULL, 10));
    if (strcmp(argv[1], "click") == 0 && argc > 3) {
        HWND h = parse_hwnd(argv[2]);
        int id = atoi(argv[3]);
        PostMessageA(h, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(h, id));
        return 0;
    }
    if (strcmp(argv[1], "close") == 0 && argc > 2) {
        PostMessageA(parse_hwnd(argv[2]), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (strcmp(argv[1], "scroll") == 0 && argc > 3) return cmd_scroll(parse_hwnd(argv[2]), atoi(argv[3]));
    if (strcmp(argv[1], "scrollpos") == 0 && argc > 2) return cmd_scrollpos(parse_hwnd(argv[2]));
    if (strcmp(argv[1], "focus") == 0 && argc > 2) return cmd_focus(parse_hwnd(argv[2]));
    fprintf(stderr, "unknown command\n");
    return 2;
}
