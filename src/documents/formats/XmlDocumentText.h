#pragma once

#include "ParagraphText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The text of the XML parts inside EPUB, OpenDocument and Word files, and
// the EPUB package files that say which parts to read, with Qt's streaming
// XML reader (no recursion, entity expansion bounded by Qt). A part that
// breaks off keeps the text read up to the break, as readers show it.
namespace XmlDocumentText {

// XHTML of an EPUB: block elements end paragraphs, <br> breaks a line,
// <pre> keeps its blanks; head, scripts, styles, hidden elements and ruby
// annotations are left out. HTML's named characters (&nbsp;, &mdash;, ...)
// are known even without a DTD.
void xhtml(const QByteArray &xml, ParagraphText &out);

// content.xml of an OpenDocument: the body's paragraphs and headings, with
// their spaces, tabs and line breaks; notes, comments and tracked deletions
// are left out. False when there is no document body.
bool openDocument(const QByteArray &xml, ParagraphText &out);

// The main part of a Word document: the body's paragraphs from their text
// runs; deleted text, field codes and the fallback copies of text boxes are
// left out. False when there is no document body.
bool wordDocument(const QByteArray &xml, ParagraphText &out);

// The target of the main-document relationship in a package's _rels/.rels,
// without a leading slash; empty when none.
QString officeDocumentTarget(const QByteArray &rels);

// EPUB: the package file named by META-INF/container.xml; empty when none.
QString epubPackagePath(const QByteArray &container);

// EPUB: the parts of the package's spine in reading order, as paths inside
// the zip (resolved against packagePath, fragments dropped); items marked
// non-linear are left out. Empty when the package has no readable spine.
QStringList epubSpine(const QByteArray &package, const QString &packagePath);

} // namespace XmlDocumentText
