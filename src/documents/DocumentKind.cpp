#include "DocumentKind.h"

#include <QFileInfo>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

QByteArrayView skipBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    return text;
}

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size() && text.first(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

// Skips what may stand before an HTML root: an XML declaration, comments and
// blanks. Returns the rest, or empty when one of them is not closed.
QByteArrayView skipProlog(QByteArrayView text)
{
    for (;;) {
        text = skipBlanks(text);
        QByteArrayView end;
        if (text.startsWith("<?"))
            end = "?>";
        else if (text.startsWith("<!--"))
            end = "-->";
        else
            return text;
        const qsizetype at = text.indexOf(end);
        if (at < 0)
            return {};
        text = text.sliced(at + end.size());
    }
}

bool startsHtml(QByteArrayView text)
{
    for (QByteArrayView opening : {QByteArrayView("<!doctype html"), QByteArrayView("<html")}) {
        if (!startsWithNoCase(text, opening))
            continue;
        if (text.size() == opening.size())
            return true;
        const char next = text.at(opening.size());
        if (isBlank(next) || next == '>')
            return true;
    }
    return false;
}

} // namespace

namespace DocumentKinds {

DocumentKind detect(QByteArrayView head, const QString &path)
{
    if (head.startsWith("%PDF-"))
        return DocumentKind::Pdf;
    if (head.startsWith("PK\x03\x04"))
        return DocumentKind::Zip;
    QByteArrayView text = head;
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    if (startsHtml(skipProlog(text)))
        return DocumentKind::Html;

    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"md" || suffix == u"markdown")
        return DocumentKind::Markdown;
    if (suffix == u"htm" || suffix == u"html" || suffix == u"xhtml")
        return DocumentKind::Html;
    return DocumentKind::Text;
}

} // namespace DocumentKinds
