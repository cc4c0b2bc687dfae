#include "toolkit/timer.h"

namespace tk {

Timer::Timer(int intervalMs, QObject* parent) : timer_(parent), interval_(intervalMs) {
    timer_.setSingleShot(false);
    timer_.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5% early
    QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
}

void Timer::setInterval(int ms) {
    interval_ = ms;
    if (enabled_)
        timer_.start(interval_);
}

void Timer::setEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    if (on && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

void Timer::fire() {
    if (!enabled_)
        return;
    if (onTimer)
        onTimer();
}

int Timer::remaining() const {
    return enabled_ ? timer_.remainingTime() : -1;
}

} // namespace tk
