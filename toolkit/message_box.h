#pragma once
// The program's message box: title, text, icon and buttons as a message style asks, in
// the program's Thai font, and never larger than the screen it is on.
#include <QMessageBox>

namespace tk {

class MessageBox : public QMessageBox {
  public:
    MessageBox(const QString& text, int style, const QString& title);
    // The answer, valued as MsgAnswer, once the box has been closed.
    int answer() const;

    static constexpr int kMostChars = 3000;

  protected:
    void showEvent(QShowEvent* e) override;
    bool event(QEvent* e) override;

  private:
    QAbstractButton* yes_ = nullptr;
    bool fitting_ = false;
    void fitToScreen();
};

} // namespace tk
