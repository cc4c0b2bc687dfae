#pragma once
// What the reader prints: the page at the top of the view, the selected text or the whole
// file, on white paper, titled by volume and pages; and the choice the user makes of it.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>

class QRadioButton;
class QTextDocument;

namespace reader {

enum class PrintPart { Page, Selection, WholeFile };

// The span [from, to) of a page in a document of `length` characters: from where it becomes
// the page at a position to where the next one does. pageAt gives the page holding a
// position and pages lists the pages in document order. {0, 0} when the page is not there.
std::pair<int, int> pageSpan(const std::function<QString(int)>& pageAt, int length,
                             const QStringList& pages, const QString& page);

// "พระไตรปิฎก เล่ม N หน้า P", "… หน้า P–Q" for a span of pages, the volume alone when no page
// is known; a page outside the canon keeps its own title.
QString printTitle(int volume, const QString& firstPage, const QString& lastPage,
                   const QString& ownTitle = {});

// A copy of [from, to) of the document, formats and pictures kept, with every background
// (the page's colour or picture, paragraphs', tables', cells' and the text's own) taken away.
std::unique_ptr<QTextDocument> printCopy(const QTextDocument& source, int from, int to);

// Thai fonts draw a tone mark or vowel that has to move out of the way as a variant glyph,
// which the font's character map reaches only from a private-use code; the PDF writer names
// each glyph by that code, so the text layer loses the mark. Maps those codes back to the
// Thai letters, and a SARA AM drawn as its two parts back to SARA AM, in an appended update
// of the PDF file. False when the file is no PDF that could be mended.
bool mendThaiTextLayer(const QString& pdfFile);

// The Thai letter a private-use variant glyph code stands for, or 0.
char16_t thaiForPrivateUse(char16_t code);

class PageView;

// The document to print and its title, for the part of what the view shows.
struct PrintJob {
    std::unique_ptr<QTextDocument> document;
    QString title;
};
// page: the page at the top of the view when the user asked to print. The view's file is
// completed first, so that a page or the file is whole.
PrintJob printJob(PageView& view, int volume, PrintPart part, const QString& page);

// "พิมพ์": which part to print.
class PrintChoice : public QDialog {
    Q_OBJECT
  public:
    // The selection is offered only when there is one, and is then chosen at first.
    PrintChoice(bool hasSelection, QWidget* parent = nullptr);
    PrintPart chosen() const;
    QRadioButton* page = nullptr;
    QRadioButton* selection = nullptr; // null without a selection
    QRadioButton* wholeFile = nullptr;
};

} // namespace reader
