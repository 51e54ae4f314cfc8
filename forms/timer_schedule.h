// The timers of a platform that runs them itself, on a clock of its own in
// milliseconds: the headless platform's test clock, the X11 platform's monotonic
// clock. Each timer of a shown form is kept with the interval and Enabled state it was
// last seen with, and when its next tick is due; how ticks are run on the way (every
// one, or dropping those missed) is each platform's own.
#pragma once
#include <stddef.h>
#include <vector>

class Form;
class Timer;

class TimerSchedule {
public:
    struct Entry {
        Timer* timer;
        long interval;
        bool enabled;
        long long due;
        bool Running() const { return enabled && interval > 0; }
    };

    // Picks up the timers of a shown form at time now, also what a handler changed:
    // a timer seen for the first time, or one whose interval or Enabled changed since,
    // is due one interval after now.
    void Reconcile(const Form& form, long long now);
    // Drops the timers of a form whose window closed.
    void Forget(const Form& form);
    // The running timer due first at or before limit (of timers due together, the
    // first seen); nullptr when none is.
    Entry* FirstDue(long long limit);
    // When the next running timer is due; -1 when none runs.
    long long NextDue() const;

    size_t Count() const { return entries_.size(); }
    Entry& At(size_t i) { return entries_[i]; }

private:
    std::vector<Entry> entries_;
};
