#pragma once
// The main window. It owns every control and the window-level values, and hands each
// event to the class of the subsystem that implements it.
#include "catalogue/category_browser.h"
#include "catalogue/volume_picker.h"
#include "toolkit/accessible.h"
#include "toolkit/control.h"
#include "toolkit/focus_mark.h"
#include "toolkit/frame.h"
#include "toolkit/listview.h"
#include "toolkit/picture.h"
#include "toolkit/platform.h"
#include "toolkit/timer.h"
#include "toolkit/window_state.h"

#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace corpus {
class DBFunction;
}
namespace topics {
class TopicPane;
}
namespace reader {
class ContentOpener;
}

namespace shell {

class Shelf;
class MainLayout;

inline const QString kForm1Caption =
    QStringLiteral("โปรแกรมหัวข้อธรรมจากพระไตรปิฎก (รวบรวมข้อมูลโดยคณะวัดฟลอมาร์)");

class Form1 : public QWidget {
    Q_OBJECT
  public:
    // How the window comes to the screen: built whole, then loaded and shown by the caller;
    // or mapped first, its controls built and loaded while the window system puts it up,
    // before anything paints.
    enum class Start { Built, MappedFirst };
    Form1(tk::Platform& platform, tk::DBFunction& db, QWidget* parent = nullptr);
    Form1(tk::Platform& platform, tk::DBFunction& db, Start start, QWidget* parent = nullptr);
    ~Form1() override;

    // Handlers of this window.
    void Form_Load();
    void Command9_Click();
    void Command10_Click();
    void Timer2_Timer();
    void Timer3_Timer();
    // The search of the canon's own text, over this window.
    void openCanonSearch();

    // Controls, by container. Each keeps its place in twips.
    tk::Frame *frame1 = nullptr, *frame2 = nullptr, *frame3 = nullptr, *frame4 = nullptr;
    QPushButton *command1 = nullptr, *command2 = nullptr, *command3 = nullptr, *command4 = nullptr,
                *command5 = nullptr, *command6 = nullptr, *command7 = nullptr, *command8 = nullptr,
                *command9 = nullptr, *command10 = nullptr;
    QLabel *picture1 = nullptr, *picture2 = nullptr, *picture3 = nullptr, *picture4 = nullptr;
    QLabel *label1 = nullptr, *label2 = nullptr, *label3 = nullptr;
    QLabel *image1 = nullptr, *imageBox = nullptr;
    QLineEdit* text1 = nullptr;
    tk::ComboBox* combo1 = nullptr;
    tk::ListView *listView1 = nullptr, *listView2 = nullptr;
    std::vector<QPushButton*> cmdBookButtons;

    tk::Control Frame1, Frame2, Frame3, Frame4;
    tk::Control Command1, Command2, Command3, Command4, Command5, Command6, Command7, Command8,
        Command9, Command10;
    tk::Control Picture1, Picture2, Picture3, Picture4;
    tk::Control Label1, Label2, Label3, Image1, ImageBox;
    tk::Control Text1, Combo1, ListView1, ListView2;
    std::vector<tk::Control> cmdBook; // element 0 at design; the shelf adds 1 to 90

    tk::Timer Timer1, Timer2, Timer3;

    // The window-level values its panes share.
    tk::WindowState state;

    // The subsystems that handle this window's events.
    std::unique_ptr<topics::TopicPane> topicPane;
    std::unique_ptr<reader::ContentOpener> opener;
    std::unique_ptr<catalogue::CategoryBrowser> browser;
    std::unique_ptr<Shelf> shelf;
    std::unique_ptr<MainLayout> layout;
    std::unique_ptr<catalogue::VolumePicker> picker;

    // The layout for the window's current outer size.
    void Form_Resize();

    // Connects a volume button created at run time.
    void wireBook(int index);

    tk::Platform& platform() { return platform_; }
    tk::DBFunction& db() { return db_; }
    tk::PictureLoader& pictures() { return pictures_; }

  protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

    // The floating note that tells, once a run, how many rows of the table could not be
    // read; it changes no caption.
    QLabel* unreadNote = nullptr;
    static QString unreadNoteText(long rows);

  private:
    // After a list has been filled: the note, the first time the table has unread rows.
    void noticeUnreadRows();
    bool unreadNoticed_ = false;
    void afterFirstPaint();
    void drawCanonSearchButton();
    bool painted_ = false;
    QAction* canonSearch_ = nullptr;
    QTimer* unreadNoteTimer_ = nullptr;
    void buildControls();
    void showBuiltControls();
    void nameForScreenReaders();
    void createBook(int index);

    tk::Platform& platform_;
    tk::DBFunction& db_;
    tk::PictureLoader pictures_;
    tk::FocusMark focusMark_; // a clear ring on the focused control, in every window
    QSize laidOutFor_; // the outer size of the last layout, in pixels
};

} // namespace shell
