// The installer's two dialogs, loaded from the templates in decorama.rc.
#pragma once
#include <windows.h>

enum { PROGRESS_DIALOG = 1, MISSING_COMPONENT_DIALOG = 2 };

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MissingComponentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
