#pragma once

#include "DocumentFormats.h"

#include <QObject>

// The formats module's entry point, which DocumentReader loads with
// QPluginLoader: hands each kind to its reader.
class DocumentFormatsModule : public QObject, public DocumentFormats
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID DocumentFormats_iid)
    Q_INTERFACES(DocumentFormats)

public:
    ExtractedText extract(const QByteArray &bytes, DocumentKind kind, const ExtractionControl &control) override;
};
