#pragma once
// A Platform for tests and benchmarks: message boxes are answered from a script and
// recorded, modal windows are shown, handed to a callback and closed, and the end of the
// program is raised as an exception that the test can catch.
#include "toolkit/platform.h"

#include <QDialog>
#include <deque>
#include <functional>
#include <stdexcept>
#include <vector>

namespace tk {

struct ShownBox {
    QString text;
    int style;
    QString title;
    int buttons() const { return style & 0x0F; }
    int icon() const { return style & 0x70; }
};

struct ProgramEnded : std::runtime_error {
    ProgramEnded() : std::runtime_error("program ended") {}
};

class ScriptedPlatform : public Platform {
  public:
    explicit ScriptedPlatform(QString appPath = {}) : appPath_(std::move(appPath)) {}

    // Answers for the coming Yes/No boxes, in order; when none is left, Yes is given.
    std::deque<int> answers;
    // Called for each box before it is answered (e.g. to check a timer is off); with real
    // boxes, while the box is open.
    std::function<void(const ShownBox&)> onBox;
    // Show each box as a real modal window (answered from the script once it is up), so
    // that focus and activation change as they do for a user.
    bool realBoxes = false;
    // Called while a modal window is open; the window is closed afterwards.
    std::function<void(QDialog&)> onModal;

    std::vector<ShownBox> boxes;
    std::vector<QString> modalTitles;
    int modalCount = 0;
    bool ended = false;
    int endStatus = -1; // the status the program ended with
    double screenWidth = 15360, screenHeight = 11520;

    int MsgBox(const QString& text, int style, const QString& title) override;
    void ShowModal(QDialog& window) override;
    [[noreturn]] void End(int status) override;
    double ScreenWidth() override { return screenWidth; }
    double ScreenHeight() override { return screenHeight; }
    QString AppPath() override { return appPath_; }
    void setAppPath(QString p) { appPath_ = std::move(p); }

  private:
    QString appPath_;
};

} // namespace tk
