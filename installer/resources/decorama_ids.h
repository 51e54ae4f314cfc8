// The ids of decorama.exe's resources, shared by decorama.rc and the code: the program
// icon, the two dialog templates and the controls that the code reaches. Plain
// definitions, as the resource compiler reads them too.
#ifndef DECORAMA_IDS_H
#define DECORAMA_IDS_H

#define DECORAMA_ICON 101

// Template 1: the progress dialog, shown without blocking while files are copied.
#define PROGRESS_DIALOG 1
#define BANNER_ID 102          // the product banner, set when the dialog is made
#define PROGRESS_BAR_ID 101
#define UNUSED_TEXT_ID 100     // below the dialog's lower edge: never seen or written

// Template 2: the missing-component warning; OK (IDOK) closes it, while Cancel
// (IDCANCEL) and Help (IDHELP) lie below its lower edge.
#define MISSING_COMPONENT_DIALOG 2
#define MISSING_FILE_NAME_ID 101

// Texts that the code never reaches.
#define STATIC_TEXT_ID (-1)

#endif
