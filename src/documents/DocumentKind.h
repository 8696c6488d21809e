#pragma once

#include <QByteArrayView>
#include <QString>

// Which reader a file goes to. The content decides first: "%PDF", a zip
// (whose own entries then tell EPUB, OpenDocument and Word apart), an HTML
// doctype or root element; then the name (.md, .markdown, .htm, .html,
// .xhtml). Everything else is text.
enum class DocumentKind { Text, Pdf, Zip, Html, Markdown };

namespace DocumentKinds {

// head: the file's first bytes (a few kilobytes are enough); path: its name.
DocumentKind detect(QByteArrayView head, const QString &path);

} // namespace DocumentKinds
