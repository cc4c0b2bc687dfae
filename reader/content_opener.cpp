#include "reader/content_opener.h"

#include "toolkit/twips.h"

#include <cmath>

namespace reader {

ContentOpener::ContentOpener(tk::Platform& platform, tk::WindowState& state, TopicListAccess list,
                             std::function<void(int16_t)> listVolumeTopics,
                             std::function<void()> showReader)
    : platform_(platform), state_(state), list_(std::move(list)), listVolumeTopics_(std::move(listVolumeTopics)),
      showReader_(std::move(showReader)) {}

void ContentOpener::notAvailable(const QString& why) {
    platform_.MsgBox(QStringLiteral("ไม่สามารถเปิดหน้าของหัวข้อนี้ได้\r\n") + why,
                     tk::OkOnly | tk::IconInformation, tk::kNoticeTitle);
}

void ContentOpener::ListView2_DblClick() {
    if (list_.rowCount() == 0)
        return;
    const int row = list_.selectedRow();
    const QString marker = list_.subItem(row, 2);
    session.markWord = searchWord ? searchWord() : QString();
    const QString m = marker.right(2);
    const QString app = platform_.AppPath();

    if (m == QLatin1String("ML")) {
        state_.handOff.ReaderVolume = list_.subItem(row, 4);
        state_.handOff.ReaderPage = list_.subItem(row, 5);
        const QString lineText = list_.subItem(row, 6);
        bool lineOk = false;
        const double lineValue = lineText.trimmed().toDouble(&lineOk);
        const auto line = lineOk ? tk::toInt16(lineValue) : std::nullopt;
        if (line)
            state_.handOff.ReaderLine = *line;
        const auto volume = numeric(state_.handOff.ReaderVolume);
        const auto page = numeric(state_.handOff.ReaderPage);
        if (!volume || !page || !line) {
            // The original would open whatever page was built before; show no stale page.
            notAvailable(QStringLiteral("ข้อมูลเล่ม หน้า หรือบรรทัดของหัวข้อนี้ไม่ใช่ตัวเลข (เล่ม ") +
                         text(state_.handOff.ReaderVolume) + QStringLiteral(" หน้า ") +
                         text(state_.handOff.ReaderPage) + QStringLiteral(" บรรทัด ") + lineText +
                         QStringLiteral(")"));
        } else if (*volume != 0) {
            const auto folder = CanonLayout::volumeFolder(*volume, text(state_.handOff.ReaderVolume));
            if (folder)
                BookFolder = *folder;
            const auto range = CanonLayout::rangeIndex(*page);
            if (folder && range)
                BookPagePath = CanonLayout::root() + QStringLiteral("\\") + BookFolder + QStringLiteral("\\") +
                               CanonLayout::rangeFile(*range) + QStringLiteral("#") + text(state_.handOff.ReaderPage);
            state_.handOff.ReaderTarget = app + QStringLiteral("\\") + BookPagePath;
            if (!folder)
                notAvailable(QStringLiteral("ไม่มีพระไตรปิฎกเล่มที่ ") + text(state_.handOff.ReaderVolume) +
                             QStringLiteral(" (มีเล่มที่ 1 ถึง %1)").arg(CanonLayout::kVolumes));
            else if (!range)
                notAvailable(QStringLiteral("หน้าที่ ") + text(state_.handOff.ReaderPage) +
                             QStringLiteral(" ไม่อยู่ในช่วงหน้า 0 ถึง %1 ของพระไตรปิฎก").arg(CanonLayout::kLastPage));
            else
                showReader_();
        }
    } else if (m == QLatin1String("31")) {
        state_.handOff.ReaderTarget = app + QStringLiteral("\\img_detail\\flomar_web1.htm");
        showReader_();
    } else if (m == QLatin1String("94")) {
        state_.handOff.ReaderTarget = app + QStringLiteral("\\img_detail\\flomar_web2.htm");
        showReader_();
    } else {
        notAvailable(QStringLiteral("ไม่รู้จักรหัสไฟล์ \"") + marker + QStringLiteral("\" ของหัวข้อนี้"));
    }
    state_.handOff.ReaderVolume = 0.0;
    state_.handOff.ReaderPage = 0.0;
    state_.handOff.ReaderLine = 0;
    session.markWord.clear();
}

void ContentOpener::cmdBook_Click(int index) {
    const int volume = index + 1;
    if (platform_.MsgBox(QStringLiteral("คุณต้องการเปิดอ่านพระไตรปิฎกเล่มที่ ") + QString::number(volume) +
                             QStringLiteral(" ใช่หรือไม่"),
                         tk::YesNo | tk::IconInformation,
                         QStringLiteral("คำยืนยัน")) != tk::AnswerYes)
        return;
    if (CanonLayout::hasTopics(volume)) {
        listVolumeTopics_(int16_t(volume));
        return;
    }
    state_.handOff.ReaderVolume = double(volume);
    // The folder written "book" and the number as it stands ("book87"), as the program always has.
    BookPagePath = CanonLayout::root() + QStringLiteral("\\book") + QString::number(volume) + QLatin1Char('\\') +
                   CanonLayout::rangeFile(0);
    state_.handOff.ReaderTarget = platform_.AppPath() + QStringLiteral("\\") + BookPagePath;
    showReader_();
}

} // namespace reader
