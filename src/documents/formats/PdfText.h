#pragma once

#include "DocumentFormats.h"

#include <QByteArray>

// A PDF's text through poppler: pages in order, each page's words in the
// reading order poppler finds (columns included), lines of a paragraph
// joined, a word hyphenated at a line end joined again, a paragraph where
// the gap between lines is wider than the line spacing. Typographic
// ligatures become their letters. An encrypted or broken PDF is an error;
// a PDF without text (scanned pages) is an empty document.
namespace PdfText {

ExtractedText extract(const QByteArray &pdf, const ExtractionControl &control);

} // namespace PdfText
