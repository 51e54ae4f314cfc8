// The installer's two dialogs, loaded from the templates in decorama.rc.
#pragma once
#include <windows.h>
#include "../resources/decorama_ids.h"

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MissingComponentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
