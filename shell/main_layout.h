#pragma once
// The main window's layout, recomputed from the window's outer size at every resize.
namespace shell {

class Form1;
class Shelf;

class MainLayout {
  public:
    MainLayout(Form1& form, Shelf& shelf) : f_(form), shelf_(shelf) {}
    // W and H: the window's outer size in twips.
    void Form_Resize(bool minimized, double W, double H);

  private:
    Form1& f_;
    Shelf& shelf_;
};

} // namespace shell
