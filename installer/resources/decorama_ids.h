// Resource ids of decorama.exe (shared by the resource script and the code): the
// program icon, the two dialog templates and their controls. Plain definitions, as
// the resource compiler reads them too.
#ifndef DECORAMA_IDS_H
#define DECORAMA_IDS_H

#define IDI_PROGRAM 101             // icon group of the program

// The progress dialog, shown without blocking while a theme's files are copied.
#define IDD_PROGRESS 1
#define IDC_BANNER 102              // the product banner, set when the dialog is made
#define IDC_PROGRESS_BAR 101
#define IDC_UNUSED_TEXT 100         // below the dialog's lower edge: never seen or written

// The missing-component warning. OK (IDOK) closes it; Cancel (IDCANCEL) and Help
// (IDHELP) lie below its lower edge.
#define IDD_MISSING_COMPONENT 2
#define IDC_MISSING_FILE_NAME 101   // the name of the file that is not there

#ifndef IDC_STATIC
#define IDC_STATIC (-1)             // texts that the code never reaches
#endif

#endif
