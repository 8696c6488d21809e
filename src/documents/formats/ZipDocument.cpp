#include "ZipDocument.h"

#include "ParagraphText.h"
#include "XmlDocumentText.h"
#include "ZipArchive.h"

using namespace Qt::StringLiterals;

namespace {

const QString kMimetype = u"mimetype"_s;
const QString kContentTypes = u"[Content_Types].xml"_s;
const QString kContainer = u"META-INF/container.xml"_s;
const QString kRelationships = u"_rels/.rels"_s;

ExtractedText failure(const QString &description, int number = SontiError::InvalidFileFormat)
{
    ExtractedText result;
    result.error = SontiError(number, u"OpenDocument"_s, description);
    return result;
}

ExtractedText finished(const ParagraphText &out)
{
    if (out.full())
        return failure(u"The document's text is too large"_s, SontiError::OutOfMemory);
    ExtractedText result;
    result.text = out.text();
    return result;
}

ExtractedText epub(ZipArchive &zip, const QHash<QString, QByteArray> &first, const ExtractionControl &control)
{
    const QString packagePath = XmlDocumentText::epubPackagePath(first.value(kContainer));
    if (packagePath.isEmpty())
        return failure(u"The book names no package"_s);
    const QByteArray package = zip.read({packagePath}).value(packagePath);
    if (zip.error().isError())
        return {QString(), zip.error()};
    const QStringList spine = XmlDocumentText::epubSpine(package, packagePath);
    if (spine.isEmpty())
        return failure(u"The book has no pages to read"_s);
    const QHash<QString, QByteArray> pages = zip.read(QSet<QString>(spine.cbegin(), spine.cend()));
    if (zip.error().isError())
        return {QString(), zip.error()};
    ParagraphText out;
    for (qsizetype i = 0; i < spine.size(); ++i) {
        if (control.stopped())
            return {QString(), control.stopError(u"OpenDocument"_s)};
        const auto page = pages.constFind(spine.at(i));
        if (page == pages.cend())
            return failure(u"The book lacks its part %1"_s.arg(spine.at(i)));
        XmlDocumentText::xhtml(*page, out);
    }
    return finished(out);
}

ExtractedText bodyOf(ZipArchive &zip, const QString &part, bool (*walk)(const QByteArray &, ParagraphText &))
{
    const QHash<QString, QByteArray> found = zip.read({part});
    if (zip.error().isError())
        return {QString(), zip.error()};
    if (!found.contains(part))
        return failure(u"The document lacks its part %1"_s.arg(part));
    ParagraphText out;
    if (!walk(found.value(part), out))
        return failure(u"The document has no readable body"_s);
    return finished(out);
}

} // namespace

namespace ZipDocument {

ExtractedText extract(const QByteArray &bytes, const ExtractionControl &control)
{
    ZipArchive zip(bytes, control);
    const QHash<QString, QByteArray> first = zip.read({kMimetype, kContentTypes, kContainer, kRelationships});
    if (zip.error().isError())
        return {QString(), zip.error()};
    const QByteArray mimetype = first.value(kMimetype).trimmed();
    if (mimetype == "application/epub+zip")
        return epub(zip, first, control);
    if (mimetype.startsWith("application/vnd.oasis.opendocument."))
        return bodyOf(zip, u"content.xml"_s, XmlDocumentText::openDocument);
    if (first.contains(kContentTypes)) {
        QString main = XmlDocumentText::officeDocumentTarget(first.value(kRelationships));
        if (main.isEmpty())
            main = u"word/document.xml"_s;
        return bodyOf(zip, main, XmlDocumentText::wordDocument);
    }
    ExtractedText other;
    other.recognised = false;
    return other;
}

} // namespace ZipDocument
