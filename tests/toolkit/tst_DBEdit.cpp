#include "WidgetTables.h"
#include "common/TestMain.h"
#include "toolkit/base/Exception.h"
#include "toolkit/widgets/DBEdit.h"
#include "toolkit/widgets/ErrorReport.h"

#include <QSignalSpy>
#include <QTest>

// The one-line data edit: what it shows, and how typing starts an edit and reaches the field.
class TestDBEdit : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_messages.clear();
        ErrorReport::setReporter([this](const QString& m) { m_messages << m; });
    }
    void cleanup() { ErrorReport::setReporter({}); }
    void showsTheCurrentRow();
    void typingInBrowseStartsAnEdit();
    void typedTextReachesTheFieldOnPost();
    void tooLongTextStopsThePost();

private:
    QStringList m_messages;
};

void TestDBEdit::showsTheCurrentRow()
{
    BoundTable t;
    t.addRow(QStringLiteral("first"));
    t.addRow(QStringLiteral("second"));
    DBEdit edit;
    edit.setDataSource(&t.source);
    edit.setDataField(QStringLiteral("name"));
    t.table.first();
    QCOMPARE(edit.text(), QStringLiteral("first"));
    t.table.next();
    QCOMPARE(edit.text(), QStringLiteral("second"));
    t.table.close();
    QCOMPARE(edit.text(), QString());
}

void TestDBEdit::typingInBrowseStartsAnEdit()
{
    BoundTable t;
    t.addRow(QStringLiteral("abc"));
    DBEdit edit;
    edit.setDataSource(&t.source);
    edit.setDataField(QStringLiteral("name"));
    edit.show();
    edit.setFocus();
    edit.setCursorPosition(1);
    QCOMPARE(t.table.state(), TableState::Browse);
    QTest::keyClick(&edit, Qt::Key_X);
    QCOMPARE(t.table.state(), TableState::Edit);
    QCOMPARE(edit.text(), QStringLiteral("axbc")); // typed where the cursor was
    QVERIFY(edit.isDirty());
    QCOMPARE(t.value("name").toString(), QStringLiteral("abc")); // not yet in the row
    // Keys that change nothing start nothing.
    t.table.cancel();
    QCOMPARE(edit.text(), QStringLiteral("abc"));
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(t.table.state(), TableState::Browse);
}

void TestDBEdit::typedTextReachesTheFieldOnPost()
{
    BoundTable t;
    DBEdit edit;
    edit.setDataSource(&t.source);
    edit.setDataField(QStringLiteral("name"));
    edit.show();
    QTest::keyClicks(&edit, QStringLiteral("new")); // an empty table: a new row
    QCOMPARE(t.table.state(), TableState::Insert);
    t.table.post();
    QCOMPARE(t.table.recordCount(), 1);
    QCOMPARE(t.value("name").toString(), QStringLiteral("new"));
    QVERIFY(!edit.isDirty());
    // An emptied edit stores null.
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    t.table.post();
    QVERIFY(!t.value("name").isValid());
}

void TestDBEdit::tooLongTextStopsThePost()
{
    BoundTable t;
    DBEdit edit;
    DBEdit other;
    edit.setDataSource(&t.source);
    edit.setDataField(QStringLiteral("name"));
    edit.show();
    other.show();
    t.table.insert();
    edit.insert(QString(21, u'n')); // one more than the field holds
    other.setFocus();
    QVERIFY_THROWS_EXCEPTION(Exception, t.table.post());
    QCOMPARE(t.table.state(), TableState::Insert);
    QCOMPARE(edit.text(), QString(21, u'n')); // nothing cut off
    QVERIFY(edit.hasFocus() || QApplication::focusWidget() == &edit || edit.window()->focusWidget() == &edit);
}

HOURGLEN_TEST_MAIN(TestDBEdit)
#include "tst_DBEdit.moc"
