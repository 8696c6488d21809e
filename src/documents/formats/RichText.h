#pragma once

#include "DocumentFormats.h"

#include <QByteArray>

// HTML and Markdown through QTextDocument: the text a browser or viewer
// shows, without scripts, styles or markup characters; each block (heading,
// paragraph, list item, table cell) a paragraph. Nothing outside the file
// is ever loaded (style sheets, pictures). Larger sources than MaxBytes are
// refused: QTextDocument takes many times their size in memory.
namespace RichText {

constexpr qsizetype MaxBytes = 16 * 1024 * 1024;

ExtractedText html(const QByteArray &bytes, const ExtractionControl &control);
ExtractedText markdown(const QByteArray &bytes, const ExtractionControl &control);

} // namespace RichText
