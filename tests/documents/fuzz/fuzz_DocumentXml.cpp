// libFuzzer target for the XML walks of EPUB, OpenDocument and Word files:
// the first byte picks the walk, the rest is the part. Any input ends
// without a crash or hang, and the text keeps its shape: paragraphs apart by
// exactly one blank line, no blanks or half a surrogate pair at either end,
// within its size limit.
#include "ParagraphText.h"
#include "XmlDocumentText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        abort();
}

void checkShape(const ParagraphText &out, qsizetype maxChars)
{
    const QString text = out.text();
    require(text.size() <= maxChars);
    require(!text.contains(u"\n\n\n"));
    if (!text.isEmpty()) {
        require(!text.front().isSpace());
        require(!text.back().isSpace());
        require(!text.back().isHighSurrogate());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray xml(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    // Small enough that long inputs reach the limit.
    constexpr qsizetype MaxChars = 4096;
    ParagraphText out(MaxChars);
    switch (data[0] % 6) {
    case 0: XmlDocumentText::xhtml(xml, out); break;
    case 1: XmlDocumentText::openDocument(xml, out); break;
    case 2: XmlDocumentText::wordDocument(xml, out); break;
    case 3: require(!XmlDocumentText::officeDocumentTarget(xml).startsWith(u"../")); return 0;
    case 4: require(!XmlDocumentText::epubPackagePath(xml).startsWith(u'/')); return 0;
    case 5:
        for (const QString &part : XmlDocumentText::epubSpine(xml, QStringLiteral("OEBPS/content.opf")))
            require(!part.startsWith(u"../") && !part.startsWith(u'/'));
        return 0;
    }
    checkShape(out, MaxChars);
    return 0;
}
