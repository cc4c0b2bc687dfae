#include "toolkit/program_icon.h"

#include <QImage>
#include <QPixmap>
#include <future>
#include <vector>

namespace tk {

namespace {
constexpr int kIconSizes[] = {VELKARO_ICON_SIZES};

QString programIconFile(int size) {
    return QStringLiteral(":/icons/velkaro-reader-%1.png").arg(size);
}

std::future<std::vector<QImage>>& decodedAhead() {
    static std::future<std::vector<QImage>> images;
    return images;
}
} // namespace

void decodeProgramIconAhead() {
    std::future<std::vector<QImage>>& ahead = decodedAhead();
    if (ahead.valid())
        return;
    ahead = std::async(std::launch::async, [] {
        std::vector<QImage> images;
        for (int size : kIconSizes)
            images.emplace_back(programIconFile(size));
        return images;
    });
}

QIcon programIcon() {
    std::vector<QImage> ahead;
    if (decodedAhead().valid())
        ahead = decodedAhead().get(); // taken once; a later icon reads its pictures itself
    QIcon icon;
    size_t i = 0;
    for (int size : kIconSizes) {
        const QSize want(size, size);
        if (i < ahead.size() && ahead[i].size() == want)
            icon.addPixmap(QPixmap::fromImage(ahead[i]));
        else
            icon.addFile(programIconFile(size), want);
        ++i;
    }
    return icon;
}

QIcon canonSearchIcon() {
    QIcon icon;
    for (int size : {VELKARO_CANON_SEARCH_ICON_SIZES})
        icon.addFile(QStringLiteral(":/icons/velkaro-canon-search-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tk
