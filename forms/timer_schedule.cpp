// The timers of the platforms that run them on their own clock (headless, X11).
#include "timer_schedule.h"
#include <algorithm>
#include "controls.h"

void TimerSchedule::Reconcile(const Form& form, long long now) {
    for (int i = 0; i < form.ControlCount(); ++i) {
        Control* c = form.ControlAt(i);
        if (c->Kind() != ControlKind::Timer) continue;
        Timer* t = static_cast<Timer*>(c);
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.timer == t; });
        if (it == entries_.end()) {
            entries_.push_back({t, t->Interval(), t->Enabled(), now + t->Interval()});
        } else if (it->interval != t->Interval() || it->enabled != t->Enabled()) {
            it->interval = t->Interval();
            it->enabled = t->Enabled();
            it->due = now + t->Interval();
        }
    }
}

void TimerSchedule::Forget(const Form& form) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& e) { return &e.timer->Owner() == &form; }),
                   entries_.end());
}

TimerSchedule::Entry* TimerSchedule::FirstDue(long long limit) {
    Entry* first = nullptr;
    for (Entry& e : entries_)
        if (e.Running() && e.due <= limit && (!first || e.due < first->due)) first = &e;
    return first;
}

long long TimerSchedule::NextDue() const {
    long long next = -1;
    for (const Entry& e : entries_)
        if (e.Running() && (next < 0 || e.due < next)) next = e.due;
    return next;
}
