#include "FakeCodec.h"
#include "TestTables.h"
#include "common/TestMain.h"
#include "toolkit/base/Exception.h"
#include "toolkit/table/ClientTable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace TestTables;

// Opening, creating and closing a client table with its file: the save rule, the atomic write,
// and a file's rows and change log carried on.
class TestTableFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void createdNewAndClosedWritesFile();
    void unchangedFileUntouched();
    void changedFileWritten();
    void modifiedTwiceAfterReading();
    void deleteAfterSave();
    void readingContinuesNumbering();
    void closeDiscardsUnposted();
    void failedWriteKeepsOldFile();
    void parentIsRegularFile();
    void missingFolderCreated();
    void refusedFiles_data();
    void refusedFiles();
    void longValuesReadWhole();
    void extraFieldsKept();
    void presentationSurvivesReopen();
    void failingAfterOpenLeavesTableClosed();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    void writePacket(const QString& file, const TablePacket& packet) const;
    TablePacket readPacket(const QString& file) const;
    std::unique_ptr<ClientTable> makeTable(const QString& file) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<const TableCodec> m_codec = std::make_shared<FakeCodec>();
};

void TestTableFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestTableFile::writePacket(const QString& file, const TablePacket& packet) const
{
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(m_codec->write(packet));
}

TablePacket TestTableFile::readPacket(const QString& file) const
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return m_codec->read(in.readAll());
}

std::unique_ptr<ClientTable> TestTableFile::makeTable(const QString& file) const
{
    auto table = std::make_unique<ClientTable>(QStringLiteral("T"));
    table->setFileName(file);
    table->setCodec(m_codec);
    return table;
}

namespace {

// One unchanged row, as a file written without a change log holds it.
TablePacket onePlainRow()
{
    ClientTable shape;
    defineFields(shape);
    TablePacket packet = shape.packet();
    packet.rows.append({0, {QStringLiteral("one"), QVariant(), QTime(2, 0), QVariant()}});
    return packet;
}

} // namespace

void TestTableFile::createdNewAndClosedWritesFile()
{
    const QString file = path("t.dat");
    auto table = makeTable(file);
    defineFields(*table);
    table->createDataSet();
    table->close();
    QVERIFY(QFileInfo::exists(file));
    const TablePacket packet = readPacket(file);
    QCOMPARE(packet.fields.size(), 4);
    QCOMPARE(packet.fields.at(0).name, QStringLiteral("name"));
    QVERIFY(packet.rows.isEmpty());
    QVERIFY(packet.changeLog.isEmpty());
}

void TestTableFile::unchangedFileUntouched()
{
    const QString file = path("t.dat");
    writePacket(file, onePlainRow());
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    {
        QFile touch(file);
        QVERIFY(touch.open(QIODevice::ReadWrite));
        QVERIFY(touch.setFileTime(past, QFileDevice::FileModificationTime));
    }
    QFile before(file);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();
    const QDateTime modified = QFileInfo(file).lastModified();

    auto table = makeTable(file);
    table->open();
    table->edit(); // an edit that is never posted changes nothing
    table->setValue(QStringLiteral("name"), QStringLiteral("other"));
    table->cancel();
    table->close();

    QCOMPARE(QFileInfo(file).lastModified(), modified);
    QFile after(file);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
}

void TestTableFile::changedFileWritten()
{
    const QString file = path("t.dat");
    writePacket(file, onePlainRow());
    auto table = makeTable(file);
    table->open();
    addRow(*table, QStringLiteral("two"));
    table->close();
    const TablePacket packet = readPacket(file);
    QCOMPARE(packet.rows.size(), 2);
    QCOMPARE(packet.rows.at(1).values.at(0).toString(), QStringLiteral("two"));
    QCOMPARE(packet.changeLog, (QList<uint>{2, 0, 4}));
}

void TestTableFile::modifiedTwiceAfterReading()
{
    const QString file = path("t.dat");
    writePacket(file, onePlainRow());
    auto table = makeTable(file);
    table->open();
    for (const char* name : {"uno", "eins"}) {
        table->edit();
        table->setValue(QStringLiteral("name"), QString::fromLatin1(name));
        table->post();
    }
    table->close();
    const TablePacket packet = readPacket(file);
    QList<int> rowStates;
    for (const PacketRow& row : packet.rows)
        rowStates << row.state;
    QCOMPARE(rowStates, (QList<int>{1, 9, 8}));
    QCOMPARE(packet.changeLog, (QList<uint>{2, 1, 8, 3, 2, 8}));

    table->open();
    QCOMPARE(names(*table), QStringList{"eins"});
    QCOMPARE(table->value(QStringLiteral("at")).toTime(), QTime(2, 0));
}

void TestTableFile::deleteAfterSave()
{
    const QString file = path("t.dat");
    auto table = makeTable(file);
    defineFields(*table);
    table->createDataSet();
    addRow(*table, QStringLiteral("one"));
    addRow(*table, QStringLiteral("two"));
    table->close();

    table->open();
    QCOMPARE(table->changeLog(), (QList<uint>{1, 0, 4, 2, 0, 4}));
    table->first();
    table->deleteRecord();
    table->close();

    const TablePacket packet = readPacket(file);
    QCOMPARE(packet.rows.size(), 2);
    QCOMPARE(packet.rows.at(0).state, 6);
    QCOMPARE(packet.rows.at(0).values.at(0).toString(), QStringLiteral("one"));
    QCOMPARE(packet.changeLog, (QList<uint>{1, 0, 4, 2, 0, 4, 1, 0, 2}));
    table->open();
    QCOMPARE(names(*table), QStringList{"two"});
}

void TestTableFile::readingContinuesNumbering()
{
    const QString file = path("t.dat");
    TablePacket packet = onePlainRow();
    packet.rows.first().state = 4;
    packet.rows.append({4, {QStringLiteral("two"), QVariant(), QVariant(), QVariant()}});
    packet.rows.append({4, {QStringLiteral("three"), QVariant(), QVariant(), QVariant()}});
    packet.changeLog = {1, 0, 4, 2, 0, 4, 3, 0, 4};
    writePacket(file, packet);

    auto table = makeTable(file);
    table->open();
    QCOMPARE(names(*table), (QStringList{"one", "two", "three"}));
    addRow(*table, QStringLiteral("four"));
    table->moveTo(1);
    table->edit();
    table->setValue(QStringLiteral("name"), QStringLiteral("TWO"));
    table->post();
    QCOMPARE(table->changeLog(), (QList<uint>{1, 0, 4, 2, 0, 4, 3, 0, 4, 4, 0, 4, 5, 2, 8}));
    QCOMPARE(states(*table), (QList<int>{4, 5, 4, 4, 12}));
    QCOMPARE(names(*table), (QStringList{"one", "TWO", "three", "four"}));
}

void TestTableFile::closeDiscardsUnposted()
{
    const QString file = path("t.dat");
    auto table = makeTable(file);
    defineFields(*table);
    int posts = 0;
    table->events().beforePost = [&posts](ClientTable&) { ++posts; };
    table->createDataSet();
    table->insert();
    table->setValue(QStringLiteral("name"), QStringLiteral("pending"));
    table->close();
    QCOMPARE(posts, 0);
    QVERIFY(readPacket(file).rows.isEmpty());
}

void TestTableFile::failedWriteKeepsOldFile()
{
    const QString file = path("t.dat");
    writePacket(file, onePlainRow());
    QFile before(file);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();

    auto table = makeTable(file);
    table->open();
    for (int i = 0; i < 200; ++i)
        addRow(*table, QStringLiteral("row number %1").arg(i));

    // Let no file grow beyond 1 KiB, so the new content cannot be written; root ignores permissions.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        table->close();
    } catch (const Exception& error) {
        message = error.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY2(message.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(file)),
             qPrintable(message));
    QVERIFY(message.size() > QStringLiteral("Cannot create file \"%1\". ").arg(file).size());
    QFile after(file);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"t.dat"}); // no temporary left

    // Nothing posted is lost: the table stays open with its rows, and the next close writes them.
    QCOMPARE(table->state(), TableState::Browse);
    QCOMPARE(table->recordCount(), 201);
    table->close();
    QCOMPARE(table->state(), TableState::Inactive);
    QCOMPARE(readPacket(file).rows.size(), 201);
}

void TestTableFile::parentIsRegularFile()
{
    const QString blocker = path("plain");
    QFile plain(blocker);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString file = blocker + QStringLiteral("/t.dat");
    auto table = makeTable(file);
    defineFields(*table);
    table->createDataSet();
    try {
        table->close();
        QFAIL("the write was reported as done");
    } catch (const Exception& error) {
        QVERIFY2(error.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(file)),
                 qPrintable(error.message()));
    }
    QCOMPARE(table->state(), TableState::Browse);
    QVERIFY(QFileInfo(blocker).isFile());

    // Once the cause is gone the same close writes the table, and it can be created anew.
    QVERIFY(QFile::remove(blocker));
    table->close();
    QCOMPARE(table->state(), TableState::Inactive);
    QVERIFY(QFileInfo(file).isFile());
    table->createDataSet();
    QCOMPARE(table->fieldCount(), 4);
}

void TestTableFile::missingFolderCreated()
{
    const QString file = path("a/b/c/t.dat");
    auto table = makeTable(file);
    defineFields(*table);
    table->createDataSet();
    addRow(*table, QStringLiteral("one"));
    table->close();
    QCOMPARE(readPacket(file).rows.size(), 1);
}

void TestTableFile::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QByteArray() << "T: Missing data provider or data packet";
    QTest::newRow("not a packet") << QByteArray("garbage") << "Mismatch in datapacket.";
}

void TestTableFile::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString file = path("t.dat");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    auto table = makeTable(file);
    try {
        table->open();
        QFAIL("a refused file was opened");
    } catch (const Exception& error) {
        QCOMPARE(error.message(), expected);
    }
    QCOMPARE(table->state(), TableState::Inactive);
    table.reset(); // closing a table that never opened writes nothing
    QFile again(file);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), bytes);
}

void TestTableFile::longValuesReadWhole()
{
    const QString file = path("t.dat");
    TablePacket packet = onePlainRow();
    const QString longName(300, QLatin1Char('n'));
    packet.rows.first().values[0] = longName;
    writePacket(file, packet);
    auto table = makeTable(file);
    table->open();
    QCOMPARE(table->value(QStringLiteral("name")).toString(), longName);
    table->edit(); // another field edited: the long value stays whole
    table->setValue(QStringLiteral("at"), QTime(3, 0));
    table->post();
    QCOMPARE(table->value(QStringLiteral("name")).toString(), longName);
    table->close();
    QCOMPARE(readPacket(file).rows.last().values.at(0).toString(), longName);
}

void TestTableFile::extraFieldsKept()
{
    const QString file = path("t.dat");
    TablePacket packet = onePlainRow();
    packet.fields.append(stringField(QStringLiteral("extra"), 5));
    packet.rows.first().values.append(QStringLiteral("kept"));
    writePacket(file, packet);
    auto table = makeTable(file);
    table->open();
    QCOMPARE(table->fieldCount(), 5);
    addRow(*table, QStringLiteral("two"));
    table->close();
    const TablePacket written = readPacket(file);
    QCOMPARE(written.fields.size(), 5);
    QCOMPARE(written.fields.last().name, QStringLiteral("extra"));
    QCOMPARE(written.rows.first().values.last().toString(), QStringLiteral("kept"));
}

void TestTableFile::presentationSurvivesReopen()
{
    const QString file = path("t.dat");
    auto table = makeTable(file);
    defineFields(*table);
    TableField* const name = &table->fieldByName(QStringLiteral("name"));
    name->setDisplayLabel(QStringLiteral("Task Name"));
    table->createDataSet();
    table->close();
    table->open();
    QCOMPARE(&table->fieldByName(QStringLiteral("name")), name);
    QCOMPARE(name->displayLabel(), QStringLiteral("Task Name"));
    QCOMPARE(name->componentName(), QStringLiteral("_name"));
}

void TestTableFile::failingAfterOpenLeavesTableClosed()
{
    const QString file = path("t.dat");
    writePacket(file, onePlainRow());
    auto table = makeTable(file);
    table->events().afterOpen = [](ClientTable& t) { t.fieldByName(QStringLiteral("taskname")); };
    try {
        table->open();
        QFAIL("the open went through");
    } catch (const Exception& error) {
        QCOMPARE(error.message(), QStringLiteral("T: Field 'taskname' not found"));
    }
    QCOMPARE(table->state(), TableState::Inactive);
}

HOURGLEN_TEST_MAIN_CORE(TestTableFile)
#include "tst_TableFile.moc"
