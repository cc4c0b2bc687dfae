#include "shell/main_layout.h"

#include "shell/form1.h"
#include "shell/shelf.h"
#include "toolkit/twips.h"

namespace shell {

void MainLayout::Form_Resize(bool minimized, double W, double H) {
    if (minimized)
        return;
    Form1& f = f_;
    // Every step runs on its own; a placement that fails leaves its control as it was.
    auto right = [&] { return double(f.Frame1.Width()) + f.Frame1.Left(); };
    if (auto w = tk::toInt16(double(f.state.LeftPanelStartWidth) + 160))
        f.Frame1.Move(0, double(f.Image1.Top()) + f.Image1.Height(), *w,
                      H - (double(f.Image1.Height()) + 800));
    for (tk::Control* c : {&f.Command1, &f.Command2, &f.Command3, &f.Command4})
        c->setWidth(double(f.Frame1.Width()) - 100);
    f.Frame2.Move(right() + 100, 150, W - (right() + 600));
    f.Command9.Move(double(f.Frame2.Width()) - (double(f.Command9.Width()) + 200));
    f.Command10.Move(double(f.Frame2.Width()) - f.Command9.Width() -
                     (double(f.Command10.Width()) + 250));
    const double belowFrame2 = double(f.Frame2.Top()) + f.Frame2.Height() + 50;
    f.Label1.Move(right() + 100, belowFrame2);
    f.Combo1.Move(W - (double(f.Combo1.Width()) + 500), belowFrame2);
    const double belowCombo = double(f.Combo1.Top()) + f.Combo1.Height();
    f.Frame3.Move(right() + 100, belowCombo + 50, W - (right() + 500), H - (belowCombo + 800));
    f.Frame4.Move(right() + 100, belowCombo + 50, W - (right() + 500), H - (belowCombo + 800));
    const double below4 = double(f.Command4.Top()) + f.Command4.Height();
    f.ListView1.Move(70, below4, double(f.Frame1.Width()) - 100,
                     double(f.Frame1.Height()) - (below4 + 100));
    f.ListView2.Move(50, 200, double(f.Frame4.Width()) - 100, double(f.Frame4.Height()) - 1200);
    f.Command7.Move(100, double(f.ListView2.Top()) + f.ListView2.Height() + 100);

    tk::Control* cmd[4] = {&f.Command1, &f.Command2, &f.Command3, &f.Command4};
    tk::Control* pic[4] = {&f.Picture1, &f.Picture2, &f.Picture3, &f.Picture4};
    if (!f.state.CollectionOpened) {
        cmd[0]->Move(70, 200);
        for (int j = 1; j < 4; ++j)
            cmd[j]->Move(70, double(cmd[j - 1]->Top()) + cmd[j - 1]->Height());
        for (int j = 0; j < 4; ++j)
            pic[j]->Move(double(cmd[j]->Left()) + 100, double(cmd[j]->Top()) + 100);
        f.ListView1.Move(70, double(cmd[3]->Top()) + cmd[3]->Height());
    } else {
        for (int j = 0; j < 4; ++j)
            cmd[j]->Move(70, f.state.saved.SavedTop[size_t(j)]);
        f.ListView1.Move(70, f.state.saved.SavedListTop, f.ListView1.Width(), f.state.saved.SavedListHeight);
        for (int j = 0; j < 4; ++j)
            pic[j]->Move(double(cmd[j]->Left()) + 100, double(f.state.saved.SavedTop[size_t(j)]) + 100);
    }
    shelf_.RebuildShelf();
}

} // namespace shell
