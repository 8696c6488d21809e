#pragma once

#include "DocumentKind.h"
#include "ExtractionControl.h"
#include "SontiError.h"

#include <QByteArray>
#include <QString>
#include <QtPlugin>

// The text a format gave, or why it could not.
struct ExtractedText
{
    QString text;
    SontiError error;
    // False for a zip that is none of the documents known here: the caller
    // then reads it as text, as any unknown file.
    bool recognised = true;
};

// Reading of the formats that need more than QtCore: PDF (poppler), HTML and
// Markdown (QTextDocument), and the zip-based EPUB, OpenDocument and Word
// documents. It lives in a module that DocumentReader loads on first need,
// so a program that reads only text never loads those libraries.
//
// Text comes out in reading order, paragraphs separated by a blank line
// (which a speech engine also takes as a pause), as plain text: markup never
// survives, so the XML option stays the user's own choice.
class DocumentFormats
{
public:
    virtual ~DocumentFormats() = default;

    // bytes: the whole file; kind: Pdf, Zip, Html or Markdown. Never throws.
    virtual ExtractedText extract(const QByteArray &bytes, DocumentKind kind, const ExtractionControl &control) = 0;
};

#define DocumentFormats_iid "org.sonti.DocumentFormats/1"
Q_DECLARE_INTERFACE(DocumentFormats, DocumentFormats_iid)
