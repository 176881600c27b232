#include "WidgetTables.h"
#include "common/TestMain.h"
#include "toolkit/widgets/DBRichEdit.h"
#include "toolkit/widgets/RtfText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

// The rich-text edit: comments written in it are stored as Qt rich text; an RTF document is shown
// as its plain text, plain text as it is; the pop-up editor.
class TestDBRichEdit : public QObject
{
    Q_OBJECT

private slots:
    void rtfPlainText_data();
    void rtfPlainText();
    void storedValueShown_data();
    void storedValueShown();
    void writtenCommentIsRichText();
    void popUpEditor();
};

void TestDBRichEdit::rtfPlainText_data()
{
    QTest::addColumn<QString>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("tables and formatting left out")
        << R"({\rtf1\ansi\deff0{\fonttbl{\f0\fnil MS Sans Serif;}}{\colortbl ;\red255\green0\blue0;}\viewkind4\uc1\pard\lang1033\f0\fs16 Run \b every\b0  day\par})"
        << "Run every day";
    QTest::newRow("paragraphs, tabs, escapes") << R"({\rtf1 one\par two\tab three \{x\} a\\b\par})"
                                               << "one\ntwo\tthree {x} a\\b";
    QTest::newRow("code page and unicode")
        << R"({\rtf1\ansi caf\'e9 \u8364?5 {\*\generator Tool;}end})" << QString::fromUtf8("café €5 end");
    QTest::newRow("ignorable and picture groups") << R"({\rtf1 a{\*\unknown hidden}{\pict 0102ff}b})"
                                                  << "ab";
    QTest::newRow("unclosed group") << R"({\rtf1 text{\b bold)"
                                    << "textbold";
}

void TestDBRichEdit::rtfPlainText()
{
    QFETCH(QString, rtf);
    QFETCH(QString, text);
    QVERIFY(RtfText::isRtf(rtf));
    QCOMPARE(RtfText::toPlainText(rtf), text);
}

void TestDBRichEdit::storedValueShown_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain text as it is") << "a <b>not bold</b> & \\par"
                                         << "a <b>not bold</b> & \\par";
    QTest::newRow("rtf as its text") << R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 Hello\par World})"
                                     << "Hello\nWorld";
    QTest::newRow("rich text")
        << "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\"><html><body><p>Hi <b>you</b></p></body></html>"
        << "Hi you";
}

void TestDBRichEdit::storedValueShown()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    BoundTable t;
    t.table.insert();
    t.table.setValue(QStringLiteral("name"), QStringLiteral("a"));
    t.table.setValue(QStringLiteral("note"), stored);
    t.table.post();
    DBRichEdit edit;
    edit.setDataSource(&t.source);
    edit.setDataField(QStringLiteral("note"));
    QCOMPARE(edit.toPlainText(), shown);
    QCOMPARE(t.value("note").toString(), stored); // showing changes nothing
    QCOMPARE(t.table.state(), TableState::Browse);
}

void TestDBRichEdit::writtenCommentIsRichText()
{
    BoundTable t;
    t.addRow(QStringLiteral("a"));
    DBRichEdit edit;
    edit.setDataSource(&t.source);
    edit.setDataField(QStringLiteral("note"));
    edit.show();
    edit.setFocus();
    QTest::keyClicks(&edit, QStringLiteral("weekly"));
    QCOMPARE(t.table.state(), TableState::Edit);
    t.table.post();
    const QString stored = t.value("note").toString();
    QVERIFY(stored.startsWith(QStringLiteral("<!DOCTYPE HTML")));
    QTextDocument document;
    document.setHtml(stored);
    QCOMPARE(document.toPlainText(), QStringLiteral("weekly"));
    QCOMPARE(edit.toPlainText(), QStringLiteral("weekly"));
}

void TestDBRichEdit::popUpEditor()
{
    BoundTable t;
    t.addRow(QStringLiteral("a"));
    DBRichEdit edit;
    edit.setDataSource(&t.source);
    edit.setDataField(QStringLiteral("note"));
    edit.show();
    edit.showEditor();
    QDialog* dialog = edit.editor();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit Rich Text"));
    auto* big = dialog->findChild<QTextEdit*>(QStringLiteral("RichEditDialog_Edit"));
    QVERIFY(big);
    big->setFocus();
    QTest::keyClicks(big, QStringLiteral("long note"));
    QCOMPARE(t.table.state(), TableState::Browse); // nothing changes until it is accepted
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QCOMPARE(t.table.state(), TableState::Edit);
    QCOMPARE(edit.toPlainText(), QStringLiteral("long note"));
    t.table.post();
    QVERIFY(t.value("note").toString().contains(QStringLiteral("long note")));
}

HOURGLEN_TEST_MAIN(TestDBRichEdit)
#include "tst_DBRichEdit.moc"
