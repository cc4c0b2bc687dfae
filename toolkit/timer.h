#pragma once
// A timer with an interval and an on/off switch. Switching it on while it runs changes
// nothing; switching it off and on again starts the full interval anew.
#include <QTimer>
#include <functional>

namespace tk {

class Timer {
  public:
    explicit Timer(int intervalMs = 0, QObject* parent = nullptr);
    int Interval() const { return interval_; }
    void setInterval(int ms);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    // Runs the handler as the timer firing would; does nothing while switched off.
    void fire();
    // Milliseconds until it fires, -1 when off.
    int remaining() const;

    std::function<void()> onTimer;

  private:
    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

} // namespace tk
