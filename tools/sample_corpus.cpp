#include "sample_corpus.h"

#include <QStringList>
#include <cstdint>

namespace sample {

const QString kVinaya = QStringLiteral("พระวินัยปิฎก ");
const QString kSutta = QStringLiteral("พระสุตตันตปิฎก");
const QString kAbhidhamma = QStringLiteral("พระอธิธรรมปิฎก");
const QString kImportant = QStringLiteral("รวมหัวข้อธรรมสำคัญ 91เล่ม");

namespace {

struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed) {}
    uint32_t next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(s >> 33);
    }
    int below(int n) { return int(next() % uint32_t(n)); }
};

struct DhammaList {
    QString name;
    QStringList items;
};

const std::vector<DhammaList>& lists() {
    static const std::vector<DhammaList> l = {
        {"อริยสัจ ๔", {"ทุกข์", "สมุทัย", "นิโรธ", "มรรค"}},
        {"ขันธ์ ๕", {"รูปขันธ์", "เวทนาขันธ์", "สัญญาขันธ์", "สังขารขันธ์", "วิญญาณขันธ์"}},
        {"ศีล ๕",
         {"เว้นจากการฆ่าสัตว์", "เว้นจากการลักทรัพย์", "เว้นจากการประพฤติผิดในกาม", "เว้นจากการพูดเท็จ",
          "เว้นจากการดื่มน้ำเมา"}},
        {"ศีล ๘",
         {"เว้นจากการฆ่าสัตว์", "เว้นจากการลักทรัพย์", "เว้นจากเมถุนธรรม", "เว้นจากการพูดเท็จ",
          "เว้นจากการดื่มน้ำเมา", "เว้นจากการบริโภคอาหารในเวลาวิกาล", "เว้นจากการฟ้อนรำขับร้องและประดับตกแต่ง",
          "เว้นจากที่นอนสูงใหญ่"}},
        {"มรรคมีองค์ ๘",
         {"สัมมาทิฏฐิ", "สัมมาสังกัปปะ", "สัมมาวาจา", "สัมมากัมมันตะ", "สัมมาอาชีวะ", "สัมมาวายามะ", "สัมมาสติ",
          "สัมมาสมาธิ"}},
        {"พรหมวิหาร ๔", {"เมตตา", "กรุณา", "มุทิตา", "อุเบกขา"}},
        {"อิทธิบาท ๔", {"ฉันทะ", "วิริยะ", "จิตตะ", "วิมังสา"}},
        {"สติปัฏฐาน ๔", {"กายานุปัสสนา", "เวทนานุปัสสนา", "จิตตานุปัสสนา", "ธัมมานุปัสสนา"}},
        {"บารมี ๑๐",
         {"ทานบารมี", "ศีลบารมี", "เนกขัมมบารมี", "ปัญญาบารมี", "วิริยบารมี", "ขันติบารมี", "สัจจบารมี",
          "อธิษฐานบารมี", "เมตตาบารมี", "อุเบกขาบารมี"}},
        {"ไตรลักษณ์", {"อนิจจัง", "ทุกขัง", "อนัตตา"}},
        {"นิวรณ์ ๕", {"กามฉันทะ", "พยาบาท", "ถีนมิทธะ", "อุทธัจจกุกกุจจะ", "วิจิกิจฉา"}},
        {"โพชฌงค์ ๗",
         {"สติสัมโพชฌงค์", "ธัมมวิจยสัมโพชฌงค์", "วิริยสัมโพชฌงค์", "ปีติสัมโพชฌงค์", "ปัสสัทธิสัมโพชฌงค์",
          "สมาธิสัมโพชฌงค์", "อุเบกขาสัมโพชฌงค์"}},
        {"อกุศลมูล ๓", {"โลภะ", "โทสะ", "โมหะ"}},
        {"บุญกิริยาวัตถุ ๓", {"ทานมัย", "ศีลมัย", "ภาวนามัย"}},
        {"สังคหวัตถุ ๔", {"ทาน", "ปิยวาจา", "อัตถจริยา", "สมานัตตตา"}},
        {"ฆราวาสธรรม ๔", {"สัจจะ", "ทมะ", "ขันติ", "จาคะ"}},
        {"พละ ๕", {"ศรัทธา", "วิริยะ", "สติ", "สมาธิ", "ปัญญา"}},
        {"ปฏิจจสมุปบาท ๑๒",
         {"อวิชชา", "สังขาร", "วิญญาณ", "นามรูป", "สฬายตนะ", "ผัสสะ", "เวทนา", "ตัณหา", "อุปาทาน", "ภพ",
          "ชาติ", "ชรามรณะ"}},
        {"โลกธรรม ๘", {"มีลาภ", "เสื่อมลาภ", "มียศ", "เสื่อมยศ", "สรรเสริญ", "นินทา", "สุข", "ทุกข์"}},
        {"สัปปุริสธรรม ๗",
         {"ธัมมัญญุตา", "อัตถัญญุตา", "อัตตัญญุตา", "มัตตัญญุตา", "กาลัญญุตา", "ปริสัญญุตา", "ปุคคลัญญุตา"}},
        {"อายตนะภายใน ๖", {"ตา", "หู", "จมูก", "ลิ้น", "กาย", "ใจ"}},
        {"รัตนตรัย", {"พระพุทธ", "พระธรรม", "พระสงฆ์"}},
    };
    return l;
}

const QStringList& patterns() {
    static const QStringList p = {
        "%1 ในหมวด%2",
        "ความหมายของ%1",
        "อานิสงส์ของการเจริญ%1",
        "วิธีปฏิบัติเพื่อให้ถึงพร้อมด้วย%1",
        "%1 เป็นเหตุแห่งความสุข",
        "โทษของการขาด%1",
        "พระพุทธองค์ทรงแสดง%1แก่ภิกษุทั้งหลาย",
        "อุปมาเรื่อง%1",
        "%1 กับการดำเนินชีวิตของคฤหัสถ์",
        "ลักษณะของผู้ตั้งอยู่ใน%1",
    };
    return p;
}

// Topics whose titles hold the words the search box suggests.
const QStringList& keywordTitles() {
    static const QStringList k = {
        "อานิสงส์ของการอุทิศบุญให้ผู้ล่วงลับ",       "บุญ คือ ชื่อแห่งความสุข",
        "โทษของบาปกรรมที่ทำด้วยกาย วาจา ใจ",  "ศีลเป็นบาทฐานแห่งสมาธิ",
        "การแสวงหาเงินทองโดยชอบธรรม",       "กรรมฐาน ๔๐ ประการ",
        "รัตนตรัย คือ พระพุทธ พระธรรม พระสงฆ์", "การบำเพ็ญบารมีตลอดสี่อสงไขยแสนกัป",
        "จักรวาลและโลกธาตุในคัมภีร์",           "ความรักเป็นเหตุแห่งความโศก",
        "การทำบุญด้วยทาน ศีล ภาวนา",          "เงินตรากับความสันโดษของบรรพชิต",
    };
    return k;
}

QString fillPattern(QString pattern, const QString& item, const QString& list) {
    return pattern.replace(QLatin1String("%1"), item).replace(QLatin1String("%2"), list);
}

QString volumeName(int v) {
    if (v <= 4)
        return "มหาวิภังค์";
    if (v <= 6)
        return "ภิกขุนีวิภังค์";
    if (v <= 8)
        return "มหาวรรค";
    if (v == 9)
        return "จุลวรรค";
    if (v == 10)
        return "ปริวาร";
    if (v <= 16)
        return "ทีฆนิกาย";
    if (v <= 28)
        return "มัชฌิมนิกาย";
    if (v <= 40)
        return "สังยุตตนิกาย";
    if (v <= 56)
        return "อังคุตตรนิกาย";
    if (v <= 74)
        return "ขุททกนิกาย";
    if (v <= 76)
        return "ธัมมสังคณี";
    if (v <= 78)
        return "วิภังค์";
    if (v == 79)
        return "ธาตุกถา";
    if (v <= 81)
        return "กถาวัตถุ";
    return "ปัฏฐาน";
}

QString categoryOf(int v) {
    return v <= 10 ? kVinaya : v <= 74 ? kSutta : kAbhidhamma;
}

// A page inside the volume's sample ranges.
int pageIn(int volume, Rng& r) {
    const std::vector<int> ranges = rangesOfVolume(volume);
    const int k = ranges[size_t(r.below(int(ranges.size())))];
    const int lo = k == 0 ? 0 : 50 * k + 1;
    return lo + r.below(50 * (k + 1) - lo + 1);
}

} // namespace

std::vector<int> rangesOfVolume(int volume) {
    // The first range always; one early and one late range that differ between volumes.
    return {0, 1 + volume % 8, 19 + volume % 12};
}

std::vector<Topic> makeTopics(const CorpusSize& size) {
    Rng r(0x5eed1234ULL);
    std::vector<Topic> out;
    const auto& ls = lists();
    const auto& ps = patterns();
    auto fill = [&](Topic& t, int volume) {
        t.book = volume;
        t.page = pageIn(volume, r);
        t.line = 1 + r.below(24);
        t.blue = QStringLiteral("เล่มที่ %1 หน้า %2").arg(volume).arg(t.page);
        t.red = QStringLiteral("ล.%1 น.%2")
                    .arg(std::max(1, volume - 2 + r.below(5)))
                    .arg(1 + r.below(900));
        const int m = r.below(40);
        t.mark = m == 0 ? "TRUE" : m == 1 ? "True" : QString();
    };
    auto title = [&](int salt) {
        const int kw = r.below(12);
        if (kw == 0)
            return keywordTitles()[r.below(int(keywordTitles().size()))];
        const DhammaList& l = ls[size_t((salt + r.below(int(ls.size()))) % int(ls.size()))];
        const QString item = l.items[r.below(int(l.items.size()))];
        return fillPattern(ps[r.below(int(ps.size()))], item, l.name);
    };

    // The three baskets: a group for each volume 1 to 86, its code the volume number.
    for (int v = 1; v <= 86; ++v) {
        const int n = v == 1 ? size.firstVolume : size.perVolume;
        const QString group = QStringLiteral("พระไตรปิฎกเล่มที่ %1 %2").arg(v).arg(volumeName(v));
        const QString second = group + QStringLiteral(" (ภาคผนวก)");
        for (int i = 1; i <= n; ++i) {
            Topic t;
            // Volume 12 carries two groups under one code.
            t.group = (v == 12 && i > n / 2) ? second : group;
            t.code = v;
            t.category = categoryOf(v);
            t.title = title(v);
            t.no = i;
            fill(t, v);
            out.push_back(t);
        }
    }

    // The important topics across the 91 volumes: one group for each list.
    int code = 101;
    for (int round = 0; round < size.listRepeat; ++round) {
        for (const DhammaList& l : ls) {
            int no = 0;
            const QString group =
                round == 0 ? l.name : QStringLiteral("%1 (ชุดที่ %2)").arg(l.name).arg(round + 1);
            for (const QString& item : l.items) {
                for (int k = 0; k < 3; ++k) {
                    Topic t;
                    t.group = group;
                    t.code = code;
                    t.category = kImportant;
                    t.title = k == 0 ? QStringLiteral("%1 ข้อ %2").arg(l.name, item)
                                     : fillPattern(ps[r.below(int(ps.size()))], item, l.name);
                    t.no = ++no;
                    fill(t, 1 + r.below(91));
                    out.push_back(t);
                }
            }
            ++code;
        }
    }

    // Hand-made rows that exercise the reader's special cases.
    const QString special = QStringLiteral("หัวข้อธรรมพิเศษ");
    auto add = [&](int no, const QString& ttl, int book, int page, int line, const QString& rf,
                   const QString& mark) {
        Topic t;
        t.group = special;
        t.code = 199;
        t.category = kImportant;
        t.title = ttl;
        t.no = no;
        fill(t, book);
        t.page = page;
        t.line = line;
        t.blue = QStringLiteral("เล่มที่ %1 หน้า %2").arg(book).arg(page);
        t.readFromFile = rf;
        t.mark = mark;
        out.push_back(t);
    };
    add(1, "ปัญญาสูตร ว่าด้วยปัญญาเป็นแสงสว่างในโลก", 5, 123, 7, {}, "TRUE");
    add(2, "ปฐมเทศนา ธัมมจักกัปปวัตตนสูตร", 5, 0, 1, {}, {});
    add(3, "ปาฏิโมกข์ หลักคำสอนของพระพุทธเจ้า", 5, 50, 12, {}, {});
    add(4, "โอวาทปาฏิโมกข์ ละชั่ว ทำดี ทำใจให้บริสุทธิ์", 5, 51, 3, {}, {});
    add(5, "มงคลสูตร มงคลชีวิต ๓๘ ประการ", 5, 1000, 9, {}, {});
    add(6, "กรณียเมตตสูตร การแผ่เมตตา", 5, 1550, 20, {}, {});
    add(31, "ประวัติการรวบรวมหัวข้อธรรม", 0, 0, 0, "1", {});
    add(94, "คำแนะนำการใช้หัวข้อธรรม", 0, 0, 0, "1", {});
    add(131, "ประวัติการรวบรวมหัวข้อธรรม (ฉบับย่อ)", 0, 0, 0, "1", {});
    return out;
}

namespace {
jet4::Value text(const QString& s) {
    if (s.isNull())
        return jet4::Null{};
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

} // namespace

jet4::Table topicTable(const std::vector<Topic>& topics) {
    using jet4::ColType;
    jet4::Table t;
    t.name = u"Velkaro";
    t.columns = {
        {u"velkaro_group", ColType::Text, 255},
        {u"velkaro_code", ColType::Long},
        {u"velkaro_category", ColType::Text, 100},
        {u"velkaro_title", ColType::Memo},
        {u"velkaro_no", ColType::Long},
        {u"velkaro_mark", ColType::Text, 10},
        {u"velkaro_book_blue", ColType::Text, 100},
        {u"velkaro_book_red", ColType::Text, 100},
        {u"velkaro_book", ColType::Text, 10},
        {u"velkaro_page", ColType::Text, 10},
        {u"velkaro_line", ColType::Text, 10},
        {u"velkaro_readfromfile", ColType::Text, 5},
    };
    for (const Topic& x : topics) {
        t.rows.push_back(
            {text(x.group), int64_t(x.code), text(x.category), text(x.title), int64_t(x.no),
             x.mark.isEmpty() ? jet4::Value(jet4::Null{}) : text(x.mark), text(x.blue), text(x.red),
             text(QString::number(x.book)), text(QString::number(x.page)),
             text(QString::number(x.line)),
             x.readFromFile.isEmpty() ? jet4::Value(jet4::Null{}) : text(x.readFromFile)});
    }
    return t;
}

} // namespace sample
