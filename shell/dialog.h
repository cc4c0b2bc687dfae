#pragma once
// The about dialog: opened modally over the main window, placed by its load step.
#include "toolkit/control.h"
#include "toolkit/platform.h"

#include <QDialog>
#include <optional>

class QLabel;
class QPushButton;

namespace shell {

struct Placement {
    long long left;
    long long top;
};
// Left = (screen width - width) \ 2, top = (screen height - height) \ 3.
std::optional<Placement> dialogPlacement(double screenW, double screenH, double w, double h);

class Dialog : public QDialog {
    Q_OBJECT
  public:
    explicit Dialog(tk::Platform& platform, QWidget* parent = nullptr);
    void Form_Load();
    void OKButton_Click();

    QPushButton* OKButton = nullptr;
    QLabel* Label1 = nullptr;

  private:
    tk::Platform& platform_;
    // Placed again by the load step's rule once the window system has drawn the frame.
    tk::KeptPlace place_;
};

} // namespace shell
