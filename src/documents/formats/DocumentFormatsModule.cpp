#include "DocumentFormatsModule.h"

#include "PdfText.h"
#include "RichText.h"
#include "ZipDocument.h"

ExtractedText DocumentFormatsModule::extract(const QByteArray &bytes, DocumentKind kind,
                                             const ExtractionControl &control)
{
    try {
        switch (kind) {
        case DocumentKind::Pdf: return PdfText::extract(bytes, control);
        case DocumentKind::Zip: return ZipDocument::extract(bytes, control);
        case DocumentKind::Html: return RichText::html(bytes, control);
        case DocumentKind::Markdown: return RichText::markdown(bytes, control);
        case DocumentKind::Text: break;
        }
        ExtractedText text;
        text.recognised = false;
        return text;
    } catch (const std::bad_alloc &) {
        return {QString(),
                SontiError(SontiError::OutOfMemory, QStringLiteral("OpenDocument"), QStringLiteral("Out of memory"))};
    }
}
