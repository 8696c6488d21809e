#include "DocumentReader.h"
#include "FileDlg.h"
#include "OpenDialogRunner.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Answers each dialog with the next scripted path and keeps what it was asked.
class ScriptedRunner : public OpenDialogRunner
{
public:
    QStringList answers;
    QList<OpenDialogRequest> requests;

    QString run(const OpenDialogRequest &request) override
    {
        requests.append(request);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

QString showDocumentDialog(ScriptedRunner &runner)
{
    return FileDlg::ShowOpen(runner, DocumentReader::dialogFilter(), DocumentReader::DialogFilterIndex, QString(),
                             DocumentReader::DialogFlags, DocumentReader::dialogTitle());
}

} // namespace

class tst_filedlg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documentDialogIsAskedForExactly()
    {
        ScriptedRunner runner;
        runner.answers = {u"/home/me/notes.txt"_s};
        QCOMPARE(showDocumentDialog(runner), u"/home/me/notes.txt"_s);

        QCOMPARE(runner.requests.size(), 1);
        const OpenDialogRequest &request = runner.requests.first();
        QCOMPARE(request.title, u"Open"_s);
        QCOMPARE(request.flags, 0x81004u);
        QVERIFY(request.fileMustExist());
        QVERIFY(request.hideReadOnly());
        QVERIFY(request.defaultExtension.isEmpty());
        const QList<FileFilter> expected{
            {u"Text Files (*.txt)"_s, u"*.txt"_s},
            {u"XML Files (*.xml)"_s, u"*.xml"_s},
            {u"All Supported Files (*.txt , *.xml)"_s, u"*.txt;*.xml"_s},
            {u"All Files (*.*)"_s, u"*.*"_s},
        };
        QCOMPARE(request.filters, expected);
        QCOMPARE(request.qtNameFilters(),
                 (QStringList{
                     u"Text Files (*.txt) (*.txt)"_s,
                     u"XML Files (*.xml) (*.xml)"_s,
                     u"All Supported Files (*.txt , *.xml) (*.txt *.xml)"_s,
                     u"All Files (*.*) (*)"_s,
                 }));
        QCOMPARE(request.initialQtNameFilter(), u"All Supported Files (*.txt , *.xml) (*.txt *.xml)"_s);
    }

    void everyCallStartsOnTheGivenFilterAndCancelGivesNothing()
    {
        ScriptedRunner runner;
        runner.answers = {QString(), u"/a.xml\0junk"_s};
        QCOMPARE(showDocumentDialog(runner), QString());
        QCOMPARE(showDocumentDialog(runner), u"/a.xml"_s);
        QCOMPARE(runner.requests.size(), 2);
        QCOMPARE(runner.requests.at(1).filterIndex, 3);
        QCOMPARE(runner.requests.at(1).initialQtNameFilter(), runner.requests.at(0).initialQtNameFilter());
    }

    void filterTextRoundTrips()
    {
        const QString text = DocumentReader::dialogFilter();
        QVERIFY(text.endsWith(u"*.*\0\0"_s));
        QCOMPARE(text.count(QChar(0)), 9);
        QCOMPARE(FileDlg::MakeFilter(FileDlg::ParseFilter(text)), text);
        QCOMPARE(FileDlg::ParseFilter(u"Only a description\0\0"_s), QList<FileFilter>());
    }

    void outOfRangeIndexStartsOnTheFirstFilter()
    {
        OpenDialogRequest request;
        request.filters = FileDlg::ParseFilter(DocumentReader::dialogFilter());
        request.filterIndex = 9;
        QCOMPARE(request.initialQtNameFilter(), u"Text Files (*.txt) (*.txt)"_s);
        request.filters.clear();
        QCOMPARE(request.initialQtNameFilter(), QString());
    }

    void titlesAndNulTrimming_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("path in a folder") << u"/home/me/notes.txt"_s << u"notes.txt"_s << u"/home/me/notes.txt"_s;
        QTest::newRow("bare name") << u"notes"_s << u"notes"_s << u"notes"_s;
        QTest::newRow("folder path") << u"/home/me/"_s << QString() << u"/home/me/"_s;
        QTest::newRow("text after a NUL") << u"/x/a.txt\0\0\0"_s << u"a.txt"_s << u"/x/a.txt"_s;
        QTest::newRow("NUL first") << u"\0abc"_s << QString() << QString();
        QTest::newRow("empty") << QString() << QString() << QString();
    }

    void titlesAndNulTrimming()
    {
        QFETCH(QString, input);
        QFETCH(QString, title);
        QFETCH(QString, trimmed);
        QCOMPARE(FileDlg::FileTitle(input), title);
        QCOMPARE(FileDlg::TrimNull(input), trimmed);
    }
};

QTEST_APPLESS_MAIN(tst_filedlg)
#include "tst_filedlg.moc"
