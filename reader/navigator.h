#pragma once
// Moving about the canon inside one reader window: page by page across the 50-page files
// of a volume, to a volume and page, back and forward over every place shown.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace reader {

class PageView;

class Navigator : public QObject {
    Q_OBJECT
  public:
    // note: a short Thai note to the reader (the end of a volume and the like).
    Navigator(PageView* view, QString programFolder, std::function<void(const QString&)> note);

    // Shows a location (a host path or one written under the program folder, "#page").
    void open(const QString& location);
    void nextPage();
    void previousPage();
    // Shows a printed page of a volume; false, with nothing shown, when there is no such
    // place in the canon or the volume's folder lacks its file.
    bool goTo(int volume, int page);
    bool back();
    bool forward();

    // The canon volume of the file shown; 0 for a stand-alone page.
    int volume() const;
    // Whether the reader has moved from the place it opened at.
    bool moved() const { return moved_; }
    const QStringList& history() const { return history_; }
    int historyIndex() const { return index_; }

  signals:
    void placeChanged();

  private:
    void shown();
    // From the page shown (here) to the next or previous file of the volume.
    void pageOfVolume(int here, bool forwards);

    PageView* view_;
    QString folder_;
    std::function<void(const QString&)> note_;
    QStringList history_;
    int index_ = -1;
    bool replaying_ = false;
    bool moved_ = false;
};

} // namespace reader
