#pragma once

#include "DocumentFormats.h"

#include <QByteArray>

// The documents that are zips: EPUB (its "mimetype" entry says
// application/epub+zip), OpenDocument (application/vnd.oasis.opendocument.*)
// and Word (a [Content_Types].xml and a main document relationship). Any
// other zip is not recognised. A part that the document names but the zip
// lacks is an error, as is a document without a body.
namespace ZipDocument {

ExtractedText extract(const QByteArray &zip, const ExtractionControl &control);

} // namespace ZipDocument
