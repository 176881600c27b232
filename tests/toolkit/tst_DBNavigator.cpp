#include "WidgetTables.h"
#include "common/TestMain.h"
#include "toolkit/base/Exception.h"
#include "toolkit/widgets/DBNavigator.h"
#include "toolkit/widgets/ErrorReport.h"
#include "toolkit/widgets/MessageBox.h"

#include <QTest>
#include <QToolButton>

// The navigator: its buttons and hints, what each does, the delete confirmation through the
// message-box seam, and an error of the table reported without changing its state.
class TestDBNavigator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buttonsAndHints();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void refusedPostIsReported();
    void messageBoxAnswersInOrder();

private:
    QStringList m_messages;
};

void TestDBNavigator::init()
{
    m_messages.clear();
    ErrorReport::setReporter([this](const QString& message) { m_messages << message; });
    MessageBox::clearAnswers();
}

void TestDBNavigator::cleanup()
{
    ErrorReport::setReporter({});
    QCOMPARE(MessageBox::pendingAnswers(), 0);
}

void TestDBNavigator::buttonsAndHints()
{
    BoundTable t;
    DBNavigator navigator;
    navigator.setDataSource(&t.source);
    const QList<std::pair<NavigateButton, QString>> hints{{nbInsert, "Insert record"},
                                                          {nbDelete, "Delete record"},
                                                          {nbEdit, "Edit record"},
                                                          {nbPost, "Post edit"},
                                                          {nbCancel, "Cancel edit"}};
    for (const auto& [which, hint] : hints)
        QCOMPARE(navigator.button(which)->toolTip(), hint);
    navigator.setVisibleButtons(nbPost | nbCancel);
    QCOMPARE(navigator.visibleButtons(), nbPost | nbCancel);
    QVERIFY(navigator.button(nbInsert)->isHidden());
    QVERIFY(!navigator.button(nbPost)->isHidden());
    navigator.show();
    navigator.setVisibleButtons(nbInsert | nbDelete | nbEdit | nbPost | nbCancel);
    QTest::mouseClick(navigator.button(nbInsert), Qt::LeftButton);
    QCOMPARE(t.table.state(), TableState::Insert);
    QVERIFY(!navigator.button(nbInsert)->isEnabled());
    t.table.setValue(QStringLiteral("name"), QStringLiteral("x"));
    QTest::mouseClick(navigator.button(nbPost), Qt::LeftButton);
    QCOMPARE(t.table.recordCount(), 1);
    QTest::mouseClick(navigator.button(nbEdit), Qt::LeftButton);
    QCOMPARE(t.table.state(), TableState::Edit);
    QTest::mouseClick(navigator.button(nbCancel), Qt::LeftButton);
    QCOMPARE(t.table.state(), TableState::Browse);
}

void TestDBNavigator::deleteAsksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("rowsLeft");
    QTest::newRow("OK deletes") << int(QMessageBox::Ok) << 1;
    QTest::newRow("Cancel keeps the row") << int(QMessageBox::Cancel) << 2;
}

void TestDBNavigator::deleteAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(int, rowsLeft);
    BoundTable t;
    t.addRow(QStringLiteral("a"));
    t.addRow(QStringLiteral("b"));
    DBNavigator navigator;
    navigator.setDataSource(&t.source);
    navigator.show();
    const int asked = MessageBox::requestCount();
    MessageBox::setNextAnswer(MessageBox::Button(answer));
    QTest::mouseClick(navigator.button(nbDelete), Qt::LeftButton);
    QCOMPARE(MessageBox::requestCount(), asked + 1);
    QCOMPARE(MessageBox::lastRequest().text, QStringLiteral("Delete record?"));
    QCOMPARE(MessageBox::lastRequest().buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(t.table.recordCount(), rowsLeft);
}

void TestDBNavigator::refusedPostIsReported()
{
    BoundTable t;
    t.table.events().beforePost = [](ClientTable&) {
        throw Exception(QStringLiteral("Name cannot be blank"));
    };
    DBNavigator navigator;
    navigator.setDataSource(&t.source);
    navigator.show();
    QTest::mouseClick(navigator.button(nbInsert), Qt::LeftButton);
    t.table.setValue(QStringLiteral("name"), QStringLiteral("kept"));
    QTest::mouseClick(navigator.button(nbPost), Qt::LeftButton);
    QCOMPARE(m_messages, QStringList{"Name cannot be blank"});
    QCOMPARE(t.table.state(), TableState::Insert);
    QCOMPARE(t.value("name").toString(), QStringLiteral("kept"));
}

void TestDBNavigator::messageBoxAnswersInOrder()
{
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::No);
    QCOMPARE(MessageBox::question(nullptr, QStringLiteral("t"), QStringLiteral("first?"),
                                  QMessageBox::Yes | QMessageBox::No),
             QMessageBox::Yes);
    QCOMPARE(MessageBox::warning(nullptr, QStringLiteral("t"), QStringLiteral("second")), QMessageBox::No);
    QCOMPARE(MessageBox::lastRequest().icon, QMessageBox::Warning);
    QCOMPARE(MessageBox::lastRequest().text, QStringLiteral("second"));
    QCOMPARE(MessageBox::pendingAnswers(), 0);
}

HOURGLEN_TEST_MAIN(TestDBNavigator)
#include "tst_DBNavigator.moc"
