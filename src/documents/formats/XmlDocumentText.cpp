#include "XmlDocumentText.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <QXmlStreamEntityResolver>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QString kOdfText = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0"_s;
const QString kOdfOffice = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0"_s;
const QString kOdfPresentation = u"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"_s;
const QString kOdfSvg = u"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"_s;
const QString kWordMain = u"http://schemas.openxmlformats.org/wordprocessingml/2006/main"_s;
const QString kWordStrict = u"http://purl.oclc.org/ooxml/wordprocessingml/main"_s;
const QString kMarkupCompatibility = u"http://schemas.openxmlformats.org/markup-compatibility/2006"_s;
const QString kEpubOps = u"http://www.idpf.org/2007/ops"_s;

// HTML's named characters that EPUB chapters use without declaring them:
// Latin-1 and the typographic ones. Others read as a blank.
class HtmlEntities : public QXmlStreamEntityResolver
{
public:
    QString resolveUndeclaredEntity(const QString &name) override
    {
        static const QHash<QString, char16_t> table = [] {
            static const char *const latin1[96] = {
                "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
                "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
                "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
                "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
                "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
                "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
                "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
                "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
                "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
                "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
            };
            QHash<QString, char16_t> t;
            for (int i = 0; i < 96; ++i)
                t.insert(QString::fromLatin1(latin1[i]), char16_t(160 + i));
            const std::pair<const char *, char16_t> others[] = {
                {"OElig", 338},   {"oelig", 339},   {"Scaron", 352},  {"scaron", 353},  {"Yuml", 376},
                {"fnof", 402},    {"circ", 710},    {"tilde", 732},   {"ensp", 8194},   {"emsp", 8195},
                {"thinsp", 8201}, {"zwnj", 8204},   {"zwj", 8205},    {"lrm", 8206},    {"rlm", 8207},
                {"ndash", 8211},  {"mdash", 8212},  {"lsquo", 8216},  {"rsquo", 8217},  {"sbquo", 8218},
                {"ldquo", 8220},  {"rdquo", 8221},  {"bdquo", 8222},  {"dagger", 8224}, {"Dagger", 8225},
                {"bull", 8226},   {"hellip", 8230}, {"permil", 8240}, {"prime", 8242},  {"Prime", 8243},
                {"lsaquo", 8249}, {"rsaquo", 8250}, {"oline", 8254},  {"frasl", 8260},  {"euro", 8364},
                {"trade", 8482},  {"larr", 8592},   {"rarr", 8594},   {"minus", 8722},
            };
            for (const auto &[entity, code] : others)
                t.insert(QString::fromLatin1(entity), code);
            return t;
        }();
        const auto found = table.constFind(name);
        return found == table.cend() ? u" "_s : QString(QChar(*found));
    }
};

bool isOneOf(QStringView name, std::initializer_list<QStringView> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isHtmlBlock(QStringView name)
{
    return isOneOf(name,
                   {u"p",      u"div",    u"h1",      u"h2",      u"h3",         u"h4",       u"h5",         u"h6",
                    u"li",     u"ul",     u"ol",      u"dl",      u"dt",         u"dd",       u"blockquote", u"pre",
                    u"table",  u"tr",     u"td",      u"th",      u"caption",    u"section",  u"article",    u"aside",
                    u"header", u"footer", u"nav",     u"figure",  u"figcaption", u"hr",       u"address",    u"main",
                    u"body",   u"center", u"details", u"summary", u"dialog",     u"fieldset", u"legend",     u"form",
                    u"hgroup", u"tbody",  u"thead",   u"tfoot"});
}

bool isHtmlSkipped(QStringView name)
{
    return isOneOf(name,
                   {u"head", u"script", u"style", u"template", u"noscript", u"rt", u"rp", u"svg", u"math", u"audio",
                    u"video", u"object", u"iframe"});
}

bool inWordNamespace(const QXmlStreamReader &reader)
{
    return reader.namespaceUri() == kWordMain || reader.namespaceUri() == kWordStrict;
}

// An href of a package, resolved against the package's folder: a path
// inside the zip, or empty when it leaves the zip or names none.
QString resolveHref(const QString &href, const QString &packagePath)
{
    QString path = href.section(u'#', 0, 0);
    path = QUrl::fromPercentEncoding(path.toUtf8());
    if (path.isEmpty() || path.contains(u"://"))
        return QString();
    const qsizetype slash = packagePath.lastIndexOf(u'/');
    const QString base = slash < 0 ? QString() : packagePath.left(slash + 1);
    path = QDir::cleanPath(path.startsWith(u'/') ? path.mid(1) : base + path);
    if (path.startsWith(u"../") || path == u".." || path.startsWith(u'/'))
        return QString();
    return path;
}

} // namespace

namespace XmlDocumentText {

void xhtml(const QByteArray &xml, ParagraphText &out)
{
    QXmlStreamReader reader(xml);
    HtmlEntities entities;
    reader.setEntityResolver(&entities);
    int skipped = 0;      // depth inside an element left out
    int preformatted = 0; // depth inside <pre>
    while (!reader.atEnd() && !out.full()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QString name = reader.name().toString().toLower();
            const QXmlStreamAttributes attributes = reader.attributes();
            if (skipped > 0 || isHtmlSkipped(name) || attributes.hasAttribute(u"hidden"_s)
                || attributes.value(kEpubOps, u"type"_s).contains(u"pagebreak")) {
                ++skipped;
            } else if (name == u"br") {
                out.addLineBreak();
            } else if (isHtmlBlock(name)) {
                out.endParagraph();
                if (name == u"pre")
                    ++preformatted;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (skipped > 0) {
                --skipped;
            } else if (const QString name = reader.name().toString().toLower(); isHtmlBlock(name)) {
                out.endParagraph();
                if (name == u"pre" && preformatted > 0)
                    --preformatted;
            }
            break;
        case QXmlStreamReader::Characters:
            if (skipped == 0) {
                if (preformatted > 0)
                    out.addVerbatim(reader.text());
                else
                    out.addText(reader.text());
            }
            break;
        default: break;
        }
    }
    out.endParagraph();
}

bool openDocument(const QByteArray &xml, ParagraphText &out)
{
    QXmlStreamReader reader(xml);
    bool sawBody = false;
    bool inBody = false;
    int skipped = 0;
    while (!reader.atEnd() && !out.full()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView ns = reader.namespaceUri();
            const QStringView name = reader.name();
            if (!inBody) {
                inBody = ns == kOdfOffice && name == u"body";
                sawBody = sawBody || inBody;
            } else if (skipped > 0 || ns == kOdfSvg || (ns == kOdfOffice && name == u"annotation")
                       || (ns == kOdfPresentation && name == u"notes")
                       || (ns == kOdfText && (name == u"note" || name == u"tracked-changes"))) {
                ++skipped;
            } else if (ns == kOdfText) {
                if (name == u"p" || name == u"h") {
                    out.endParagraph();
                } else if (name == u"s") {
                    bool ok = false;
                    const int count = reader.attributes().value(kOdfText, u"c"_s).toInt(&ok);
                    out.addVerbatim(QString(ok ? std::clamp(count, 1, 100) : 1, u' '));
                } else if (name == u"tab") {
                    out.addText(u" ");
                } else if (name == u"line-break") {
                    out.addLineBreak();
                }
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!inBody)
                break;
            if (skipped > 0)
                --skipped;
            else if (reader.namespaceUri() == kOdfOffice && reader.name() == u"body")
                inBody = false;
            else if (reader.namespaceUri() == kOdfText && (reader.name() == u"p" || reader.name() == u"h"))
                out.endParagraph();
            break;
        case QXmlStreamReader::Characters:
            if (inBody && skipped == 0)
                out.addText(reader.text());
            break;
        default: break;
        }
    }
    out.endParagraph();
    return sawBody;
}

bool wordDocument(const QByteArray &xml, ParagraphText &out)
{
    QXmlStreamReader reader(xml);
    bool sawBody = false;
    bool inBody = false;
    bool inText = false;
    int skipped = 0;
    while (!reader.atEnd() && !out.full()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const bool word = inWordNamespace(reader);
            const QStringView name = reader.name();
            if (!inBody) {
                inBody = word && name == u"body";
                sawBody = sawBody || inBody;
            } else if (skipped > 0 || (reader.namespaceUri() == kMarkupCompatibility && name == u"Fallback")
                       || (word
                           && isOneOf(name,
                                      {u"del", u"moveFrom", u"pPr", u"rPr", u"sectPr", u"tblPr", u"trPr", u"tcPr",
                                       u"tblGrid"}))) {
                ++skipped;
            } else if (word) {
                if (name == u"p")
                    out.endParagraph();
                else if (name == u"t")
                    inText = true;
                else if (name == u"tab")
                    out.addText(u" ");
                else if (name == u"br" || name == u"cr")
                    out.addLineBreak();
                else if (name == u"noBreakHyphen")
                    out.addText(u"-");
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!inBody)
                break;
            if (skipped > 0) {
                --skipped;
            } else if (inWordNamespace(reader)) {
                if (reader.name() == u"body")
                    inBody = false;
                else if (reader.name() == u"p")
                    out.endParagraph();
                else if (reader.name() == u"t")
                    inText = false;
            }
            break;
        case QXmlStreamReader::Characters:
            if (inText && skipped == 0)
                out.addText(reader.text());
            break;
        default: break;
        }
    }
    out.endParagraph();
    return sawBody;
}

QString officeDocumentTarget(const QByteArray &rels)
{
    QXmlStreamReader reader(rels);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"Relationship"
            && reader.attributes().value(u"Type"_s).endsWith(u"/officeDocument")) {
            return resolveHref(reader.attributes().value(u"Target"_s).toString(), QString());
        }
    }
    return QString();
}

QString epubPackagePath(const QByteArray &container)
{
    QXmlStreamReader reader(container);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"rootfile") {
            const QString path = reader.attributes().value(u"full-path"_s).toString();
            if (!path.isEmpty())
                return resolveHref(path, QString());
        }
    }
    return QString();
}

QStringList epubSpine(const QByteArray &package, const QString &packagePath)
{
    QHash<QString, std::pair<QString, QString>> manifest; // id -> href, media type
    QStringList spineIds;
    QXmlStreamReader reader(package);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.name() == u"item") {
            manifest.insert(attributes.value(u"id"_s).toString(),
                            {attributes.value(u"href"_s).toString(), attributes.value(u"media-type"_s).toString()});
        } else if (reader.name() == u"itemref" && attributes.value(u"linear"_s) != u"no") {
            spineIds.append(attributes.value(u"idref"_s).toString());
        }
    }
    QStringList parts;
    for (const QString &id : std::as_const(spineIds)) {
        const auto item = manifest.constFind(id);
        // A spine entry without its manifest item is a missing part: its
        // empty path is not found in the zip.
        if (item == manifest.cend()) {
            parts.append(QString());
            continue;
        }
        if (!item->second.isEmpty() && !item->second.contains(u"html"))
            continue; // a picture or other non-text page
        parts.append(resolveHref(item->first, packagePath));
    }
    return parts;
}

} // namespace XmlDocumentText
