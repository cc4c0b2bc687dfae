#include "reader/navigator.h"

#include "reader/locations.h"
#include "reader/page_view.h"

namespace reader {

Navigator::Navigator(PageView* view, QString programFolder,
                     std::function<void(const QString&)> note)
    : view_(view), folder_(std::move(programFolder)), note_(std::move(note)) {
    connect(view_, &PageView::shown, this, &Navigator::shown);
}

void Navigator::shown() {
    if (view_->showsExplanation() && view_->shownFile().isEmpty())
        return;
    const QString here = view_->shownFile() +
                         (view_->shownAnchor().isEmpty() ? QString()
                                                         : QLatin1Char('#') + view_->shownAnchor());
    if (!replaying_ && (index_ < 0 || history_[index_] != here)) {
        // A new place: what lay ahead of the one left is forgotten, as in a browser.
        while (history_.size() > index_ + 1)
            history_.removeLast();
        history_.push_back(here);
        index_ = int(history_.size()) - 1;
        if (index_ > 0)
            moved_ = true;
    }
    emit placeChanged();
}

void Navigator::open(const QString& location) {
    view_->navigate(location);
}

int Navigator::volume() const {
    return CanonLayout::volumeOfFile(view_->shownFile());
}

void Navigator::nextPage() {
    const auto& anchors = view_->pageAnchors();
    const QString page = view_->currentPage();
    for (size_t i = 0; i < anchors.size(); ++i)
        if (anchors[i].name == page) {
            if (i + 1 < anchors.size()) {
                moved_ = true;
                open(view_->shownFile() + QLatin1Char('#') + anchors[i + 1].name);
                return;
            }
            break;
        }
    pageOfVolume(page.toInt(), true);
}

void Navigator::previousPage() {
    const auto& anchors = view_->pageAnchors();
    const QString page = view_->currentPage();
    for (size_t i = 0; i < anchors.size(); ++i)
        if (anchors[i].name == page) {
            if (i > 0) {
                moved_ = true;
                open(view_->shownFile() + QLatin1Char('#') + anchors[i - 1].name);
                return;
            }
            break;
        }
    pageOfVolume(page.toInt(), false);
}

// Past the first or last page of a file: the nearest page of the volume that another of
// its files holds, over any files its folder lacks.
void Navigator::pageOfVolume(int here, bool forwards) {
    const int v = volume();
    if (v == 0 || view_->currentPage().isEmpty()) {
        note_(QStringLiteral("หน้านี้ไม่มีเลขหน้าของพระไตรปิฎก"));
        return;
    }
    const auto range = neighbourRange(rangesOnDisk(folder_, v), here, forwards);
    if (!range) {
        note_(forwards ? QStringLiteral("หน้านี้เป็นหน้าสุดท้ายของพระไตรปิฎกเล่ม %1").arg(v)
                       : QStringLiteral("หน้านี้เป็นหน้าแรกของพระไตรปิฎกเล่ม %1").arg(v));
        return;
    }
    const int to = forwards ? range->first : range->last;
    moved_ = true;
    open(folder_ + QLatin1Char('\\') + *CanonLayout::pagePath(v, to));
    // Say which files were stepped over, so the jump in page numbers is no surprise.
    const auto k = CanonLayout::rangeIndex(here);
    if (!k)
        return;
    const int from = forwards ? CanonLayout::range(*k).last + 1 : to + 1;
    const int through = forwards ? to - 1 : CanonLayout::range(*k).first - 1;
    if (from <= through)
        note_(QStringLiteral("ไม่มีไฟล์ของหน้า %1 ถึง %2 จึงข้ามไปหน้า %3").arg(from).arg(through).arg(to));
}

bool Navigator::goTo(int volume, int page) {
    const auto path = CanonLayout::pagePath(volume, page);
    if (!path || !holdsPage(rangesOnDisk(folder_, volume), page))
        return false;
    moved_ = true;
    open(folder_ + QLatin1Char('\\') + *path);
    return true;
}

bool Navigator::back() {
    if (index_ <= 0)
        return false;
    --index_;
    replaying_ = true;
    open(history_[index_]);
    replaying_ = false;
    return true;
}

bool Navigator::forward() {
    if (index_ + 1 >= int(history_.size()))
        return false;
    ++index_;
    replaying_ = true;
    open(history_[index_]);
    replaying_ = false;
    return true;
}

} // namespace reader
