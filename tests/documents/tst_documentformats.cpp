#include "DocumentKind.h"
#include "DocumentReader.h"
#include "TextDecoder.h"
#include "ZipBuilder.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Lines drawn one by one at the font's own line spacing; an empty line
// leaves a paragraph's gap. Each list is a page.
QByteArray pdfOf(const QList<QStringList> &pages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"made.pdf"_s);
    {
        QPdfWriter writer(path);
        QPainter painter(&writer);
        painter.setFont(QFont(u"DejaVu Sans"_s, 12));
        const qreal spacing = QFontMetricsF(painter.font(), &writer).lineSpacing();
        for (qsizetype page = 0; page < pages.size(); ++page) {
            if (page > 0)
                writer.newPage();
            qreal y = spacing;
            for (const QString &line : pages[page]) {
                painter.drawText(QPointF(0, y), line);
                y += spacing;
            }
        }
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray epubOf(const QList<std::pair<QString, QByteArray>> &chapters, const QByteArray &spine)
{
    QByteArray manifest;
    for (const auto &[name, xhtml] : chapters)
        manifest += "<item id=\"" + name.toUtf8() + "\" href=\"text/" + name.toUtf8()
            + ".xhtml\" media-type=\"application/xhtml+xml\"/>";
    ZipBuilder zip;
    zip.add(u"mimetype"_s, "application/epub+zip")
        .add(u"META-INF/container.xml"_s,
             "<?xml version=\"1.0\"?><container version=\"1.0\" "
             "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
             "<rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
             "</rootfiles></container>")
        .add(u"OEBPS/content.opf"_s,
             "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" "
             "version=\"3.0\"><manifest>"
                 + manifest + "</manifest><spine>" + spine + "</spine></package>");
    for (const auto &[name, xhtml] : chapters)
        zip.add(u"OEBPS/text/"_s + name + u".xhtml"_s, xhtml);
    return zip.bytes();
}

QByteArray xhtml(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE html>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
           "<head><title>Not read</title><style>p { color: red }</style></head><body>"
        + body + "</body></html>";
}

QByteArray odtOf(const QByteArray &body)
{
    return ZipBuilder()
        .add(u"mimetype"_s, "application/vnd.oasis.opendocument.text")
        .add(u"content.xml"_s,
             "<?xml version=\"1.0\"?><office:document-content "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
             "<office:automatic-styles><text:p>Not body text</text:p></office:automatic-styles>"
             "<office:body><office:text>"
                 + body + "</office:text></office:body></office:document-content>")
        .bytes();
}

QByteArray docxDocument(const QByteArray &body)
{
    return "<?xml version=\"1.0\"?><w:document "
           "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
        + body + "</w:body></w:document>";
}

QByteArray docxOf(const QByteArray &document, const QString &part = u"word/document.xml"_s)
{
    return ZipBuilder()
        .add(u"[Content_Types].xml"_s,
             "<?xml version=\"1.0\"?><Types "
             "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>")
        .add(u"_rels/.rels"_s,
             "<?xml version=\"1.0\"?><Relationships "
             "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
             "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
             "Target=\"/word/document.xml\"/></Relationships>")
        .add(part, document)
        .bytes();
}

const QList<std::pair<QString, QByteArray>> kChapters = {
    {u"one"_s,
     xhtml("<h1>Chapter&nbsp;One</h1><script>alert('no')</script><p>It was a <em>dark</em>\n"
           "  night &mdash; stormy.</p><div><p>Line one<br/>line two</p></div>"
           "<p hidden=\"\">Hidden</p><span epub:type=\"pagebreak\">12</span><pre>a  b</pre>")},
    {u"two"_s, xhtml("<p>Second chapter.</p>")},
    {u"notes"_s, xhtml("<p>A note read out of order.</p>")},
};

} // namespace

class tst_documentformats : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void kindsByContentThenName_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("name");
        QTest::addColumn<DocumentKind>("kind");
        QTest::newRow("PDF named .txt") << "%PDF-1.7\n"_ba << u"a.txt"_s << DocumentKind::Pdf;
        QTest::newRow("zip") << "PK\x03\x04rest"_ba << u"book"_s << DocumentKind::Zip;
        QTest::newRow("doctype after a mark and a comment")
            << "\xEF\xBB\xBF <!-- c -->\n<!DOCTYPE HTML>"_ba << u"page"_s << DocumentKind::Html;
        QTest::newRow("XHTML root after the XML declaration")
            << "<?xml version=\"1.0\"?><html xmlns=\"x\">"_ba << u"page.xml"_s << DocumentKind::Html;
        QTest::newRow("SAPI markup in .xml stays text")
            << "<voice required=\"x\">Hi</voice>"_ba << u"talk.xml"_s << DocumentKind::Text;
        QTest::newRow("<htmlx> is no root") << "<htmlx>"_ba << u"a"_s << DocumentKind::Text;
        QTest::newRow("Markdown by name") << "# Title"_ba << u"READ.ME.Markdown"_s << DocumentKind::Markdown;
        QTest::newRow("HTML by name") << "<p>x"_ba << u"a.XHTML"_s << DocumentKind::Html;
        QTest::newRow("text") << "plain"_ba << u"notes.txt"_s << DocumentKind::Text;
    }

    void kindsByContentThenName()
    {
        QFETCH(QByteArray, head);
        QFETCH(QString, name);
        QFETCH(DocumentKind, kind);
        QCOMPARE(DocumentKinds::detect(head, name), kind);
    }

    void readableTextInReadingOrder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("PDF") << u"paper.pdf"_s
                             << pdfOf({{u"The first fox jumps over a hyphen-"_s, u"ated dog, and Jean-"_s,
                                        u"Paul watches."_s, QString(), QString(), u"Second paragraph."_s},
                                       {u"Page two."_s}})
                             << u"The first fox jumps over a hyphenated dog, and Jean-Paul watches.\n\n"
                                "Second paragraph.\n\nPage two."_s;
        QTest::newRow("double-spaced PDF") << u"draft.pdf"_s
                                           << pdfOf({{u"Lines set wide"_s, QString(), u"are one paragraph."_s,
                                                      QString(), QString(), QString(), u"The next."_s}})
                                           << u"Lines set wide are one paragraph.\n\nThe next."_s;
        QTest::newRow("EPUB in spine order, non-linear left out")
            << u"book.epub"_s
            << epubOf(kChapters,
                      "<itemref idref=\"one\"/><itemref idref=\"notes\" linear=\"no\"/>"
                      "<itemref idref=\"two\"/>")
            << u"Chapter One\n\nIt was a dark night — stormy.\n\nLine one\nline two\n\na  b\n\n"
               "Second chapter."_s;
        QTest::newRow("ODT") << u"letter.odt"_s
                             << odtOf("<text:h>Dear Ann,</text:h><text:p>Three<text:s text:c=\"3\"/>spaces"
                                      "<text:note><text:note-body><text:p>Footnote</text:p></text:note-body>"
                                      "</text:note>,<text:tab/>a tab<text:line-break/>and a break.</text:p>"
                                      "<text:list><text:list-item><text:p>Item</text:p></text:list-item>"
                                      "</text:list>")
                             << u"Dear Ann,\n\nThree   spaces, a tab\nand a break.\n\nItem"_s;
        QTest::newRow("DOCX") << u"report.docx"_s
                              << docxOf(docxDocument(
                                     "<w:p><w:pPr><w:tabs><w:tab w:val=\"left\"/></w:tabs></w:pPr>"
                                     "<w:r><w:t>Split</w:t></w:r><w:r><w:t xml:space=\"preserve\">ting runs </w:t>"
                                     "</w:r><w:del><w:r><w:delText>gone</w:delText></w:r></w:del>"
                                     "<w:r><w:instrText>PAGE</w:instrText><w:tab/><w:t>tabbed</w:t><w:br/>"
                                     "<w:t>broken</w:t></w:r></w:p><w:p/><w:p><w:r><w:t>Next</w:t></w:r></w:p>"))
                              << u"Splitting runs tabbed\nbroken\n\nNext"_s;
        QTest::newRow("HTML by its doctype, whatever its name")
            << u"saved.txt"_s
            << "<!DOCTYPE html><html><head><title>T</title><style>b{}</style><script>var a = 1;</script>"
               "</head><body><h1>Head</h1><p>One &amp; <b>two</b><br>three</p><ul><li>x</li></ul></body></html>"_ba
            << u"Head\n\nOne & two\nthree\n\nx"_s;
        QTest::newRow("HTML loads nothing it refers to")
            << u"trap.html"_s
            << "<html><head><link rel=\"stylesheet\" href=\"/dev/zero\"><style>@import \"/dev/zero\";</style>"
               "</head><body><img src=\"/dev/zero\"><p>Safe.</p></body></html>"_ba
            << u"Safe."_s;
        QTest::newRow("HTML in its own charset")
            << u"old.htm"_s << "<meta charset=\"iso-8859-1\"><p>caf\xE9</p>"_ba << u"café"_s;
        QTest::newRow("Markdown") << u"notes.md"_s << "# Title\n\nSome *emphasis* and `code`.\n\n- one\n- two\n"_ba
                                  << u"Title\n\nSome emphasis and code.\n\none\n\ntwo"_s;
        const QByteArray otherZip = ZipBuilder().add(u"a.txt"_s, "x").bytes();
        QTest::newRow("any other zip is text") << u"a.zip"_s << otherZip << TextDecoder::decode(otherZip);
    }

    void readableTextInReadingOrder()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const LoadedDocument document = DocumentReader::read(write(name, bytes));
        QVERIFY2(document.ok(), qPrintable(document.error.toString()));
        QCOMPARE(document.text, text);
        QCOMPARE(document.title, name);
    }

    void badDocumentsFail_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("number");
        QTest::newRow("broken PDF") << u"a.pdf"_s << "%PDF-1.4\nnothing else"_ba << 321;
        const QByteArray docx = docxOf(docxDocument("<w:p><w:r><w:t>x</w:t></w:r></w:p>"));
        QTest::newRow("cut-off zip") << u"a.docx"_s << docx.left(docx.indexOf("word/document.xml") + 40) << 321;
        QTest::newRow("encrypted DOCX") << u"a.docx"_s
                                        << ZipBuilder().add(u"[Content_Types].xml"_s, "<Types/>").encrypted().bytes()
                                        << 321;
        QTest::newRow("DOCX without its document") << u"a.docx"_s << docxOf("", u"word/other.xml"_s) << 321;
        QTest::newRow("DOCX without a body") << u"a.docx"_s << docxOf("<w:document>not the body") << 321;
        QTest::newRow("ODT without content")
            << u"a.odt"_s << ZipBuilder().add(u"mimetype"_s, "application/vnd.oasis.opendocument.text").bytes() << 321;
        QTest::newRow("EPUB lacking a chapter")
            << u"a.epub"_s << epubOf({kChapters[0]}, "<itemref idref=\"one\"/><itemref idref=\"two\"/>") << 321;
        QTest::newRow("EPUB without a container")
            << u"a.epub"_s << ZipBuilder().add(u"mimetype"_s, "application/epub+zip").bytes() << 321;
        QTest::newRow("zip bomb") << u"bomb.docx"_s << docxOf(docxDocument(QByteArray(65 * 1024 * 1024, ' '))) << 7;
        ZipBuilder many;
        many.add(u"[Content_Types].xml"_s, "<Types/>");
        for (int i = 0; i < 10'000; ++i)
            many.add(u"e%1"_s.arg(i), "");
        QTest::newRow("too many entries") << u"many.docx"_s << many.bytes() << 7;
        QTest::newRow("HTML too large for a text document") << u"big.html"_s << QByteArray(17 * 1024 * 1024, 'x') << 7;
    }

    void badDocumentsFail()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, number);
        const LoadedDocument document = DocumentReader::read(write(name, bytes));
        QCOMPARE(document.error.number(), number);
        QCOMPARE(document.error.source(), u"OpenDocument"_s);
        QVERIFY(document.text.isEmpty());
    }

    void encryptedPdfFails()
    {
        const QString qpdf = QStandardPaths::findExecutable(u"qpdf"_s);
        QVERIFY2(!qpdf.isEmpty(), "qpdf is not installed (scripts/test installs it)");
        const QString plain = write(u"plain.pdf"_s, pdfOf({{u"Secret"_s}}));
        const QString locked = m_dir.filePath(u"locked.pdf"_s);
        QCOMPARE(QProcess::execute(qpdf, {u"--encrypt"_s, u"user"_s, u"owner"_s, u"256"_s, u"--"_s, plain, locked}), 0);
        const LoadedDocument document = DocumentReader::read(locked);
        QCOMPARE(document.error.number(), 321);
        QVERIFY(document.text.isEmpty());
    }

    void progressIsReportedAndCancelStops()
    {
        QList<QStringList> pages(20, {u"A page."_s});
        const QString path = write(u"long.pdf"_s, pdfOf(pages));
        std::atomic_bool cancel = false;
        QList<int> reported;
        const ExtractionControl control(
            [&](int percent) {
                reported.append(percent);
                if (percent >= 50)
                    cancel = true;
            },
            &cancel);
        const LoadedDocument document = DocumentReader::read(path, control);
        QCOMPARE(document.error.number(), 18);
        QVERIFY(!reported.isEmpty());
        QVERIFY(std::is_sorted(reported.cbegin(), reported.cend()));
        QVERIFY(reported.back() >= 50 && reported.back() < 100);

        const ExtractionControl late({}, nullptr, std::chrono::milliseconds(0));
        QCOMPARE(DocumentReader::read(path, late).error.number(), 18);
    }
};

QTEST_MAIN(tst_documentformats)
#include "tst_documentformats.moc"
