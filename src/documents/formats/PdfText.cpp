#include "PdfText.h"

#include "ParagraphText.h"

#include <QLoggingCategory>
#include <QRectF>

#include <poppler-qt6.h>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcPdf, "sonti.documents.pdf", QtCriticalMsg)

namespace {

struct Line
{
    QString text;
    QRectF box;
};

bool isHyphen(QChar c)
{
    return c == u'-' || c == QChar::SoftHyphen || c == u'\u2010';
}

void appendWord(QString &line, const QString &word)
{
    for (const QChar c : word) {
        if (c.unicode() >= 0xFB00 && c.unicode() <= 0xFB06)
            line += c.decomposition(); // ﬁ, ﬂ, ﬀ...: the letters a speech engine knows
        else
            line += c;
    }
}

std::vector<Line> linesOf(const std::vector<std::unique_ptr<Poppler::TextBox>> &words)
{
    std::vector<Line> lines;
    bool lineOpen = false;
    for (const auto &word : words) {
        if (!lineOpen)
            lines.push_back({});
        Line &line = lines.back();
        appendWord(line.text, word->text());
        line.box = line.box.isNull() ? word->boundingBox() : line.box.united(word->boundingBox());
        lineOpen = word->nextWord() != nullptr;
        if (lineOpen && word->hasSpaceAfter())
            line.text += u' ';
    }
    return lines;
}

// The page's usual distance from one line to the next (top to top): the
// median, so that double-spaced pages are not read as a paragraph a line.
// Capped at 2.5 line heights for pages with few lines.
double usualLineDistance(const std::vector<Line> &lines)
{
    std::vector<double> distances;
    double height = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        height = std::max(height, lines[i].box.height());
        const double distance = i > 0 ? lines[i].box.top() - lines[i - 1].box.top() : 0;
        if (distance > 0)
            distances.push_back(distance);
    }
    if (distances.empty())
        return 0;
    const auto median = distances.begin() + (distances.size() - 1) / 2;
    std::nth_element(distances.begin(), median, distances.end());
    return std::min(*median, 2.5 * height);
}

// A paragraph ends where the next line is further below than usual, or not
// below at all (the next column, a page's footer).
bool startsParagraph(const Line &previous, const Line &next, double usual)
{
    const double distance = next.box.top() - previous.box.top();
    return next.box.top() < previous.box.bottom() || distance > 1.35 * usual;
}

void addPage(const std::vector<Line> &lines, ParagraphText &out)
{
    const double usual = usualLineDistance(lines);
    QString paragraph;
    for (size_t i = 0; i < lines.size(); ++i) {
        const QString &text = lines[i].text;
        if (i > 0 && startsParagraph(lines[i - 1], lines[i], usual)) {
            out.addText(paragraph);
            out.endParagraph();
            paragraph.clear();
        }
        const bool hyphenated = paragraph.size() >= 2 && isHyphen(paragraph.back())
            && paragraph.at(paragraph.size() - 2).isLetter() && !text.isEmpty();
        // "hyphen-" + "ated" is one word again; "Jean-" + "Paul" keeps its hyphen.
        if (hyphenated && (text.front().isLower() || paragraph.back() == QChar::SoftHyphen))
            paragraph.chop(1);
        else if (!hyphenated && !paragraph.isEmpty())
            paragraph += u' ';
        paragraph += text;
    }
    out.addText(paragraph);
    out.endParagraph();
}

bool shouldAbort(const QVariant &closure)
{
    return static_cast<const ExtractionControl *>(closure.value<const void *>())->stopped();
}

void quietErrors(const QString &message, const QVariant &)
{
    qCDebug(lcPdf) << message;
}

ExtractedText failure(const QString &description)
{
    ExtractedText result;
    result.error = SontiError(SontiError::InvalidFileFormat, u"OpenDocument"_s, description);
    return result;
}

} // namespace

namespace PdfText {

ExtractedText extract(const QByteArray &pdf, const ExtractionControl &control)
{
    static const bool quiet = [] {
        Poppler::setDebugErrorFunction(quietErrors, QVariant());
        return true;
    }();
    Q_UNUSED(quiet);

    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    if (!document)
        return failure(u"Not a readable PDF"_s);
    if (document->isLocked())
        return failure(u"The PDF is encrypted"_s);

    ParagraphText out;
    const int pages = document->numPages();
    for (int i = 0; i < pages && !out.full(); ++i) {
        if (control.stopped())
            return {QString(), control.stopError(u"OpenDocument"_s)};
        control.report(i, pages);
        const std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page)
            continue;
        const auto words =
            page->textList(Poppler::Page::Rotate0, shouldAbort, QVariant::fromValue<const void *>(&control));
        addPage(linesOf(words), out);
    }
    if (control.stopped())
        return {QString(), control.stopError(u"OpenDocument"_s)};
    if (out.full())
        return {QString(), SontiError(SontiError::OutOfMemory, u"OpenDocument"_s, u"The PDF's text is too large"_s)};
    ExtractedText result;
    result.text = out.text();
    return result;
}

} // namespace PdfText
