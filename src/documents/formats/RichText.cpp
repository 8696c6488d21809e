#include "RichText.h"

#include "ParagraphText.h"
#include "TextDecoder.h"

#include <QFont>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

// Loads nothing a page refers to: a style sheet at /dev/zero or on a server
// must not stall the reader, and reading aloud needs no pictures.
class ClosedDocument : public QTextDocument
{
public:
    ClosedDocument()
    {
        // With a size of its own the document needs no screen fonts, so it
        // works as well in sonti-say, which has no GUI application.
        QFont font;
        font.setPointSize(12);
        setDefaultFont(font);
    }

protected:
    QVariant loadResource(int, const QUrl &) override { return QVariant(); }
};

ExtractedText blocksOf(const QTextDocument &document)
{
    ParagraphText out;
    for (QTextBlock block = document.begin(); block.isValid() && !out.full(); block = block.next()) {
        out.addVerbatim(block.text()); // blanks kept as the document laid them out
        out.endParagraph();
    }
    ExtractedText result;
    if (out.full())
        result.error = SontiError(SontiError::OutOfMemory, u"OpenDocument"_s, u"The document's text is too large"_s);
    else
        result.text = out.text();
    return result;
}

std::optional<ExtractedText> refused(const QByteArray &bytes, const ExtractionControl &control)
{
    if (bytes.size() > RichText::MaxBytes)
        return ExtractedText{QString(), SontiError(SontiError::OutOfMemory, u"OpenDocument"_s, u"Too large"_s)};
    if (control.stopped())
        return ExtractedText{QString(), control.stopError(u"OpenDocument"_s)};
    return std::nullopt;
}

// The page's own charset when it names one other than UTF-8, else UTF-8
// or Windows-1252 as any text.
QString decodeHtml(const QByteArray &bytes)
{
    const std::optional<QStringConverter::Encoding> named = QStringConverter::encodingForHtml(bytes);
    if (named && *named != QStringConverter::Utf8) {
        QStringDecoder decoder(*named);
        return decoder.decode(bytes);
    }
    return TextDecoder::decode(bytes);
}

} // namespace

namespace RichText {

ExtractedText html(const QByteArray &bytes, const ExtractionControl &control)
{
    if (auto refusal = refused(bytes, control))
        return *refusal;
    ClosedDocument document;
    document.setHtml(decodeHtml(bytes));
    return blocksOf(document);
}

ExtractedText markdown(const QByteArray &bytes, const ExtractionControl &control)
{
    if (auto refusal = refused(bytes, control))
        return *refusal;
    ClosedDocument document;
    document.setMarkdown(TextDecoder::decode(bytes));
    return blocksOf(document);
}

} // namespace RichText
