#pragma once
// "ไปที่ เล่ม … หน้า …": the box that asks for a volume and a page, and the checks of what
// was typed against the pages the program folder holds.
#include "toolkit/platform.h"

#include <QDialog>
#include <QString>

class QLineEdit;

namespace reader {

// What the go-to box makes of a typed volume and page: the place, or why there is none and
// which field is at fault.
struct GoToCheck {
    enum Field { None, Volume, Page };
    Field field = None; // None: the place below is one the folder holds
    QString why;        // the notice's reason, in Thai; never a file's location
    int volume = 0;
    int page = 0;
};
// Typed in Arabic or Thai digits; the page must lie in a page-range file that the volume's
// folder holds.
GoToCheck checkGoTo(const QString& volumeTyped, const QString& pageTyped,
                    const QString& programFolder);

class GoToDialog : public QDialog {
    Q_OBJECT
  public:
    GoToDialog(tk::Platform& platform, QString programFolder, QWidget* parent = nullptr);
    QLineEdit* volume = nullptr;
    QLineEdit* page = nullptr;
    // The place accepted.
    int chosenVolume() const { return chosen_.volume; }
    int chosenPage() const { return chosen_.page; }
    // A place the folder does not hold is refused with a notice; the box stays open with
    // what was typed, the field at fault selected.
    void accept() override;

  private:
    tk::Platform& platform_;
    QString folder_;
    GoToCheck chosen_;
};

} // namespace reader
