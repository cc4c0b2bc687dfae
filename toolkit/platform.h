#pragma once
// The services of the window system that the program's handlers call: message boxes,
// modal windows, the end of the program, the screen and the program folder. Handlers get
// a Platform passed in, so tests can answer the boxes and watch what was shown.
#include <QString>

class QDialog;

namespace tk {

// Message box styles and answers, valued as the classic message box API values them.
enum MsgStyle : int {
    OkOnly = 0,
    YesNo = 4,
    IconStop = 16,
    IconQuestion = 32,
    IconInformation = 64,
};
enum MsgAnswer : int { AnswerOk = 1, AnswerYes = 6, AnswerNo = 7 };

// The titles of the program's message boxes.
inline const QString kNoticeTitle = QStringLiteral("แจ้งให้ทราบ");

// The program's exit status: an end the user asked for, and an end forced by a failure.
constexpr int kEndNormally = 0;
constexpr int kEndFailure = 1;

class Platform {
  public:
    virtual ~Platform() = default;
    // Shows a message box; style = buttons + icon; returns the button pressed.
    virtual int MsgBox(const QString& text, int style, const QString& title) = 0;
    // Shows the window modally and returns when it has been closed.
    virtual void ShowModal(QDialog& window) = 0;
    // Ends the program at once with this exit status. Never returns.
    [[noreturn]] virtual void End(int status) = 0;
    // The screen's size in twips.
    virtual double ScreenWidth() = 0;
    virtual double ScreenHeight() = 0;
    // The program folder: the executable's folder, without a trailing separator.
    virtual QString AppPath() = 0;
};

// The real window system.
class QtPlatform : public Platform {
  public:
    explicit QtPlatform(QString appPath = {});
    int MsgBox(const QString& text, int style, const QString& title) override;
    void ShowModal(QDialog& window) override;
    [[noreturn]] void End(int status) override;
    double ScreenWidth() override;
    double ScreenHeight() override;
    QString AppPath() override;

  private:
    QString appPath_;
};

} // namespace tk

namespace tk {
// Keeps large freed blocks in the process for reuse: every list fill allocates and frees
// result buffers of many megabytes, which would otherwise come back as fresh pages.
void tuneAllocator();
} // namespace tk
