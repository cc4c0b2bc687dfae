#pragma once
// The reader window: one page, titled with the volume, page and line the user chose.
#include "reader/locations.h"
#include "reader/page_view.h"
#include "toolkit/platform.h"

#include <QDialog>
#include <optional>

namespace reader {

inline const QString kTitleHead = QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม ");
QString readerTitle(const HandOff& h);
// (screen width - window width) \ 3.
std::optional<long long> readerLeft(double screenWidth, double windowWidth);

class frmBrowser : public QDialog {
    Q_OBJECT
  public:
    frmBrowser(tk::Platform& platform, const HandOff& handOff, QWidget* parent = nullptr);
    void Form_Load();
    void Form_Resize();
    PageView* brwWebBrowser = nullptr;

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

  private:
    tk::Platform& platform_;
    const HandOff& handOff_;
    bool resizing_ = false;
    QSize sizedFor_; // the outer size of the last snap, in pixels
};

// Opens the reader window modally and returns when it has been closed.
void showReader(tk::Platform& platform, const HandOff& handOff, QWidget* parent);

} // namespace reader
