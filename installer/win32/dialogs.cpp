// Dialog procedures of the progress dialog and the missing-component warning.
#include "dialogs.h"

INT_PTR CALLBACK ProgressDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    // The dialog manager sets the default focus; everything else is default handling.
    return message == WM_INITDIALOG;
}

INT_PTR CALLBACK MissingComponentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        MessageBeep(MB_ICONEXCLAMATION);
        SetWindowTextA(GetDlgItem(dialog, IDC_MISSING_FILE_NAME), (const char*)lParam);
        return TRUE;
    case WM_COMMAND:
        // Only OK closes the warning: Cancel, Escape and the close box leave it open.
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
