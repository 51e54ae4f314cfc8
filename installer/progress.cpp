// The progress dialog of an installation: its banner, the captured mouse and wait
// cursor, and a bar that moves one step per entry, painted at most every
// PROGRESS_PAINT_INTERVAL milliseconds.
#include "job.h"
#include "resources/decorama_ids.h"

enum : uint32_t { PROGRESS_PAINT_INTERVAL = 100 };

bool OpenProgress(Progress& progress) {
    progress = Progress{};
    progress.dialog = SysCreateProgressDialog(0);
    if (!progress.dialog) return false;
    SysSetDialogItemText(progress.dialog, IDC_BANNER, PRODUCT_BANNER);
    progress.bar = SysGetDialogItem(progress.dialog, IDC_PROGRESS_BAR);
    SysSetCapture(progress.dialog);
    SysSetWaitCursor();
    return true;
}

void ShowProgress(Progress& progress) {
    if (!progress.bar || !progress.pendingSteps) return;
    SysAdvanceProgress(progress.bar, progress.pendingSteps);
    progress.pendingSteps = 0;
    progress.lastPaint = SysGetTickCount();
}

void StepProgress(Progress& progress) {
    if (!progress.bar) return;
    ++progress.pendingSteps;
    if (SysGetTickCount() - progress.lastPaint >= PROGRESS_PAINT_INTERVAL) ShowProgress(progress);
}

void SetProgressTotal(Progress& progress, uint32_t total) {
    SysSetProgressRange(progress.bar, 0, (uint16_t)(total > 0xFFFF ? 0xFFFF : total));
    SysSetProgressStep(progress.bar, 1);
}

void CloseProgress(Progress& progress) {
    if (progress.dialog) SysDestroyWindow(progress.dialog);
    progress.dialog = progress.bar = 0;
}
