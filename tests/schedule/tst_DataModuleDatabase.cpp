#include "ScheduleModuleFixture.h"
#include "common/TestMain.h"
#include "common/TraceCapture.h"
#include "toolkit/base/Exception.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/TableModel.h"

#include <QTest>

// The field-helper module: its image list and its three field operations.
class TestDataModuleDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void imageListHoldsFiveImages();
    void imagesHaveTheirShapes();
    void displayNameAndWidth();
    void missingFieldNamesTheTable_data();
    void missingFieldNamesTheTable();
    void visibleOnTableWithoutFields();
    void hideAllThenShowSome();
    void referenceFollowsTheModule();

private:
    std::unique_ptr<TraceCapture> m_trace;
    std::unique_ptr<TDataModule_Database> m_database;
};

namespace {

void defineThree(ClientTable& table)
{
    for (const char* name : {"taskname", "taskparm", "taskmemo"}) {
        PacketField field;
        field.name = QLatin1String(name);
        field.typeWord = QStringLiteral("string");
        field.size = 10;
        table.addField(field);
    }
}

bool isRed(QRgb pixel)
{
    return qAlpha(pixel) > 200 && qRed(pixel) > 150 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

int redPixels(const QImage& image, int firstRow, int lastRow)
{
    int count = 0;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += isRed(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

} // namespace

void TestDataModuleDatabase::init()
{
    m_trace = std::make_unique<TraceCapture>();
    m_database = std::make_unique<TDataModule_Database>();
    m_trace->clear();
}

void TestDataModuleDatabase::cleanup()
{
    m_database.reset();
    m_trace.reset();
}

void TestDataModuleDatabase::imageListHoldsFiveImages()
{
    const ImageList& list = m_database->ImageList_ForData();
    QCOMPARE(list.count(), 5);
    QCOMPARE(list.size(), QSize(16, 16));
    for (int i = 0; i < list.count(); ++i) {
        const QImage image = list.image(i);
        QVERIFY2(!image.isNull(), qPrintable(QString::number(i)));
        QCOMPARE(image.size(), QSize(16, 16));
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // transparent background
        QCOMPARE(qAlpha(image.pixel(15, 15)), 0);
    }
}

void TestDataModuleDatabase::imagesHaveTheirShapes()
{
    const ImageList& list = m_database->ImageList_ForData();
    // Solid triangles are red, wide at their base: pointing down, the upper half holds more red.
    const QImage down = list.image(0);
    const QImage up = list.image(2);
    QVERIFY(redPixels(down, 0, 7) > redPixels(down, 8, 15));
    QVERIFY(redPixels(up, 8, 15) > redPixels(up, 0, 7));
    // The outlines carry no red, but grey and white, and are hollow.
    for (int index : {1, 3}) {
        const QImage outline = list.image(index);
        QCOMPARE(redPixels(outline, 0, 15), 0);
        bool grey = false;
        bool white = false;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb p = outline.pixel(x, y);
                grey = grey || (qAlpha(p) > 100 && qGray(p) > 80 && qGray(p) < 180);
                white = white || (qAlpha(p) > 100 && qGray(p) > 230);
            }
        }
        QVERIFY(grey);
        QVERIFY(white);
        QCOMPARE(qAlpha(outline.pixel(8, 7)), 0);
    }
    // The page: black and white only.
    const QImage page = list.image(4);
    int black = 0;
    int whitePixels = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb p = page.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            QVERIFY(qGray(p) < 40 || qGray(p) > 220);
            (qGray(p) < 40 ? black : whitePixels) += 1;
        }
    }
    QVERIFY(black > 10);
    QVERIFY(whitePixels > 10);
}

void TestDataModuleDatabase::displayNameAndWidth()
{
    ClientTable table(QStringLiteral("T"));
    defineThree(table);
    m_database->SetFieldDisplayName(table, QStringLiteral("taskname"), QStringLiteral("Task Name"));
    m_database->SetFieldDisplayWidth(table, QStringLiteral("TASKPARM"), 20);
    QCOMPARE(table.fieldByName(QStringLiteral("taskname")).displayLabel(), QStringLiteral("Task Name"));
    QCOMPARE(table.fieldByName(QStringLiteral("taskparm")).displayWidth(), 20);
    QCOMPARE(m_trace->trimmed(), (QStringList{"BEG    TDataModule_Database.SetFieldDisplayName",
                                              "END    TDataModule_Database.SetFieldDisplayName",
                                              "BEG    TDataModule_Database.SetFieldDisplayWidth",
                                              "END    TDataModule_Database.SetFieldDisplayWidth"}));
}

void TestDataModuleDatabase::missingFieldNamesTheTable_data()
{
    QTest::addColumn<bool>("width");
    QTest::addColumn<QString>("trace");
    QTest::newRow("display name") << false << "BEG    TDataModule_Database.SetFieldDisplayName";
    QTest::newRow("display width") << true << "BEG    TDataModule_Database.SetFieldDisplayWidth";
}

void TestDataModuleDatabase::missingFieldNamesTheTable()
{
    QFETCH(bool, width);
    QFETCH(QString, trace);
    ClientTable table(QStringLiteral("ClientDataSet_Schedule"));
    defineThree(table);
    try {
        if (width)
            m_database->SetFieldDisplayWidth(table, QStringLiteral("launchdate"), 5);
        else
            m_database->SetFieldDisplayName(table, QStringLiteral("launchdate"), QStringLiteral("x"));
        QFAIL("a missing field was set");
    } catch (const Exception& error) {
        QCOMPARE(error.message(), QStringLiteral("ClientDataSet_Schedule: Field 'launchdate' not found"));
    }
    QCOMPARE(m_trace->trimmed(), QStringList{trace}); // the error leaves the block open
    for (TableField* field : table.fields()) {
        QCOMPARE(field->displayLabel(), field->fieldName());
        QCOMPARE(field->displayWidth(), 10);
    }
}

void TestDataModuleDatabase::visibleOnTableWithoutFields()
{
    ClientTable table(QStringLiteral("T"));
    m_database->SetFieldVisible(table, false);
    QCOMPARE(table.fieldCount(), 0);
    QCOMPARE(m_trace->trimmed(), (QStringList{"BEG    TDataModule_Database.SetFieldVisible",
                                              "END    TDataModule_Database.SetFieldVisible"}));
}

void TestDataModuleDatabase::hideAllThenShowSome()
{
    ClientTable table(QStringLiteral("T"));
    defineThree(table);
    DataSource source;
    source.setDataSet(&table);
    TableModel model(&source);
    QCOMPARE(model.columnCount(), 3);
    m_database->SetFieldVisible(table, false);
    QCOMPARE(model.columnCount(), 0);
    table.fieldByName(QStringLiteral("taskmemo")).setVisible(true);
    table.fieldByName(QStringLiteral("taskname")).setVisible(true);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.columnField(0)->fieldName(), QStringLiteral("taskname"));
    QCOMPARE(model.columnField(1)->fieldName(), QStringLiteral("taskmemo"));
    m_database->SetFieldVisible(table, true);
    QCOMPARE(model.columnCount(), 3);
}

void TestDataModuleDatabase::referenceFollowsTheModule()
{
    QCOMPARE(DataModule_Database, m_database.get());
    QCOMPARE(m_database->objectName(), QStringLiteral("DataModule_Database"));
    m_database.reset();
    QCOMPARE(DataModule_Database, nullptr);
}

HOURGLEN_TEST_MAIN(TestDataModuleDatabase)
#include "tst_DataModuleDatabase.moc"
