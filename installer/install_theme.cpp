// A whole installation: the job, then either its rollback or the uninstall entry, and
// the message that tells the user which.
#include "installer.h"

void InstallTheme(SysWindow owner) {
    JobOutcome outcome = RunThemeJob(owner, Install);
    if (!outcome.ran) return;
    if (outcome.aborted) {
        // The rollback reads the record in the Themes directory, and undoes only
        // what this run added to it.
        SysSetCurrentDirectory(themesDir);
        RunThemeJob(owner, Rollback, &outcome);
        SysMessageBox(owner, "Theme failed to install!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        return;
    }
    if (RegisterUninstall(owner, Install))
        SysMessageBox(owner, "Theme installed successfully!", CAPTION, SYS_MB_OK);
}
