// The job engine's entry: one job, an installation, an uninstall or a rollback, run by
// the walk of its mode. What follows a job (the uninstall entry, the rollback, the
// final message) is its caller's.
#include "job.h"

SysFile OpenWalkedFile(const char* name) { return SysOpenExisting(name, SYS_SHARE_READ, true); }

JobOutcome RunThemeJob(SysWindow owner, JobMode mode, Installation& installation, RecordFile* record) {
    JobOutcome outcome = {};
    if (mode != Install) {
        RunRemovalWalk(owner, mode, installation, record, outcome);
    } else if (record) {
        // An installation writes into the copy and record that its caller chose.
        RunInstallWalk(owner, installation, *record, outcome);
    }
    return outcome;
}
