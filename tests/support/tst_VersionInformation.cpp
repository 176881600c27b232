// The version-information block (builder, finder, look-ups), FileVersionInformation and
// the build stamp. This executable carries the program's version block (hourglen_versionresource).

#include "common/TestMain.h"
#include "common/TraceCapture.h"

#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "platform/VersionBlock.h"
#include "support/CompileTime.h"
#include "support/VersionInformation.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

namespace {

const QStringList TenKeys{"CompanyName",    "FileDescription", "FileVersion",      "InternalName",
                          "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName",
                          "ProductVersion", "Comments"};

VersionBlock::Description programLike()
{
    VersionBlock::Description d;
    d.fixed.fileFlagsMask = 0x3F;
    VersionBlock::StringTable table{QStringLiteral("040904E4"), {}};
    for (const QString& key : TenKeys)
        table.strings.append(
            {key, key == QLatin1String("CompanyName") ? QStringLiteral("Quillfern") : QString()});
    d.stringTables.append(table);
    d.translations.append(0x04E40409);
    return d;
}

QByteArray bytesOf(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void checkProgramValues(const TVersionValues& v)
{
    QCOMPARE(v.CompanyName, QStringLiteral("Quillfern"));
    QCOMPARE(v.FileVersion, QStringLiteral("2.0.0.158"));
    QCOMPARE(v.ProductVersion, QStringLiteral("2.0.0.0"));
    for (const QString* empty : {&v.FileDescription, &v.InternalName, &v.LegalCopyright, &v.LegalTrademarks,
                                 &v.OriginalFilename, &v.ProductName, &v.Comments})
        QCOMPARE(*empty, QString());
    QVERIFY(!v.DebugFlag && !v.PreReleaseFlag && !v.PatchedFlag && !v.PrivateBuildFlag &&
            !v.InfoInferredFlag && !v.SpecialBuildFlag);
}

void checkProgramBlock(const QByteArray& block)
{
    const auto fixed = VersionBlock::queryFixedFileInfo(block);
    QVERIFY(fixed);
    QCOMPARE(fixed->signature, 0xFEEF04BDu);
    QCOMPARE(fixed->fileVersionMS, 0x00020000u);
    QCOMPARE(fixed->fileVersionLS, 0x0000009Eu); // 2.0.0.158
    QCOMPARE(fixed->productVersionMS, 0x00020000u);
    QCOMPARE(fixed->productVersionLS, 0x00000000u); // 2.0.0.0
    QCOMPARE(fixed->fileFlagsMask, 0x3Fu);
    QCOMPARE(fixed->fileFlags, 0u);
    QCOMPARE(VersionBlock::queryTranslations(block),
             std::optional<QList<quint32>>(QList<quint32>{0x04E40409}));
    for (const QString& key : TenKeys) {
        // All ten present; seven of them empty.
        QVERIFY2(VersionBlock::queryString(block, QStringLiteral("\\StringFileInfo\\040904E4\\") + key),
                 qPrintable(key));
    }
    QCOMPARE(VersionBlock::queryString(block, QStringLiteral("\\StringFileInfo\\040904E4\\CompanyName")),
             std::optional<QString>(QStringLiteral("Quillfern")));
}

} // namespace

class TestVersionInformation : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TraceCapture> m_trace;

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_trace = std::make_unique<TraceCapture>();
        VersionInformation::Clear();
    }

    void cleanup()
    {
        m_trace.reset();
        VersionInformation::Clear();
    }

    void emptyBeforeTheFirstCall() { QCOMPARE(VersionInformation::Values, TVersionValues()); }

    void readsItsOwnFile()
    {
        VersionInformation::FileVersionInformation(QCoreApplication::applicationFilePath());
        checkProgramValues(VersionInformation::Values);
        QCOMPARE(m_trace->lines(), (QStringList{"BEG    VERSIONINFORMATION.FileVersionInformation",
                                                "END    VERSIONINFORMATION.FileVersionInformation"}));
        const auto block = VersionBlock::readFile(QCoreApplication::applicationFilePath());
        QVERIFY(block);
        checkProgramBlock(*block);
    }

    void readsTheProgramFile()
    {
#ifdef HOURGLEN_PROGRAM_FILE
        const QString program = QStringLiteral(HOURGLEN_PROGRAM_FILE);
        QVERIFY2(QFile::exists(program), qPrintable(program));
        VersionInformation::FileVersionInformation(program);
        checkProgramValues(VersionInformation::Values);
        const auto block = VersionBlock::readFile(program);
        QVERIFY(block);
        checkProgramBlock(*block);
#else
        QSKIP("the program is not part of this build");
#endif
    }

    // The reader's own code holds the key as a literal; the finder must skip that occurrence.
    void notFooledByTheKeyElsewhere()
    {
        const QByteArray own = bytesOf(QCoreApplication::applicationFilePath());
        QByteArray key;
        for (const QChar c : QStringLiteral("VS_VERSION_INFO"))
            key.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        QVERIFY(own.count(key) >= 2);

        // A file with two fakes (one with a wrong signature, one with a header that does not fit)
        // before the real block.
        QByteArray fake1 = VersionBlock::build(programLike());
        fake1[40] = 0; // the fixed information's signature
        QByteArray fake2 = key + QByteArray(8, '\xFF');
        fake2.prepend(QByteArray("\xFF\xFF\x34\x00\x00\x00", 6));
        const QByteArray real = VersionBlock::build(programLike());
        const QByteArray bytes =
            QByteArray("garbage") + fake1 + QByteArray("..") + fake2 + QByteArray(3, 'x') + real;
        QCOMPARE(VersionBlock::findBlock(bytes), bytes.size() - real.size());
        QCOMPARE(VersionBlock::extract(bytes), std::optional<QByteArray>(real));
    }

    void builderLayout()
    {
        const QByteArray block = VersionBlock::build(programLike());
        QCOMPARE(block.size() % 2, 0);
        QCOMPARE(quint16(uchar(block[0]) | uchar(block[1]) << 8), quint16(block.size()));
        QCOMPARE(quint16(uchar(block[2]) | uchar(block[3]) << 8), quint16(52)); // wValueLength
        QCOMPARE(quint16(uchar(block[4]) | uchar(block[5]) << 8), quint16(0));  // binary
        QCOMPARE(VersionBlock::findBlock(block), 0);
        // Look-ups ignore letter case, as VerQueryValueW does.
        QCOMPARE(VersionBlock::queryString(block, QStringLiteral("\\stringfileinfo\\040904e4\\companyname")),
                 std::optional<QString>(QStringLiteral("Quillfern")));
        QVERIFY(!VersionBlock::queryString(block, QStringLiteral("\\StringFileInfo\\040904E4\\Missing")));
        QVERIFY(!VersionBlock::queryString(block, QStringLiteral("\\StringFileInfo\\040704B0\\CompanyName")));
    }

    void twoTranslationsFirstWins()
    {
        VersionBlock::Description d;
        d.stringTables.append({QStringLiteral("040704B0"),
                               {{QStringLiteral("CompanyName"), QStringLiteral("Erste")},
                                {QStringLiteral("ProductVersion"), QStringLiteral("3.1.0.0")}}});
        d.stringTables.append({QStringLiteral("040904E4"),
                               {{QStringLiteral("CompanyName"), QStringLiteral("Second")},
                                {QStringLiteral("ProductVersion"), QStringLiteral("9.9.9.9")},
                                {QStringLiteral("Comments"), QStringLiteral("only here")}}});
        d.translations = {0x04B00407, 0x04E40409};
        const QString file = writeFile(QStringLiteral("two.bin"),
                                       QByteArray(1001, 'a') + VersionBlock::build(d) + QByteArray(17, 'z'));
        VersionInformation::FileVersionInformation(file);
        QCOMPARE(VersionInformation::Values.CompanyName, QStringLiteral("Erste"));
        QCOMPARE(VersionInformation::Values.ProductVersion, QStringLiteral("3.1.0.0"));
        QCOMPARE(VersionInformation::Values.Comments, QString()); // not in the first table
        QCOMPARE(VersionInformation::Values.FileVersion, QString());
    }

    void fileWithoutBlockEmptiesEverything_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << QByteArray("just some text, no version block here");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("the key alone") << QByteArray("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0\0\0", 32);
    }

    void fileWithoutBlockEmptiesEverything()
    {
        QFETCH(QByteArray, content);
        VersionInformation::FileVersionInformation(QCoreApplication::applicationFilePath());
        QCOMPARE(VersionInformation::Values.CompanyName, QStringLiteral("Quillfern"));
        VersionInformation::FileVersionInformation(writeFile(QStringLiteral("plain.bin"), content));
        QCOMPARE(VersionInformation::Values, TVersionValues());
        QCOMPARE(m_trace->lines().size(), 4); // both calls traced
    }

    void missingFile()
    {
        VersionInformation::FileVersionInformation(m_dir->filePath(QStringLiteral("does-not-exist")));
        QCOMPARE(VersionInformation::Values, TVersionValues());
        VersionInformation::FileVersionInformation(m_dir->path()); // a folder
        QCOMPARE(VersionInformation::Values, TVersionValues());
    }

    void noTranslationStillReadsTheFlags()
    {
        VersionBlock::Description d = programLike();
        d.translations.clear();
        d.fixed.fileFlags = 0x3F;
        VersionInformation::FileVersionInformation(
            writeFile(QStringLiteral("nt.bin"), VersionBlock::build(d)));
        QCOMPARE(VersionInformation::Values.CompanyName, QString());
        QVERIFY(VersionInformation::Values.DebugFlag && VersionInformation::Values.SpecialBuildFlag);
    }

    void flags_data()
    {
        QTest::addColumn<uint>("mask");
        QTest::addColumn<uint>("flags");
        QTest::newRow("none") << 0x3Fu << 0x00u;
        QTest::newRow("debug") << 0x3Fu << 0x01u;
        QTest::newRow("pre-release") << 0x3Fu << 0x02u;
        QTest::newRow("patched") << 0x3Fu << 0x04u;
        QTest::newRow("private build") << 0x3Fu << 0x08u;
        QTest::newRow("info inferred") << 0x3Fu << 0x10u;
        QTest::newRow("special build") << 0x3Fu << 0x20u;
        QTest::newRow("all, plus an unknown bit") << 0x3Fu << 0xFFu;
        QTest::newRow("mask not applied") << 0x00u << 0x21u;
    }

    void flags()
    {
        QFETCH(uint, mask);
        QFETCH(uint, flags);
        VersionBlock::Description d = programLike();
        d.fixed.fileFlagsMask = mask;
        d.fixed.fileFlags = flags;
        VersionInformation::FileVersionInformation(
            writeFile(QStringLiteral("f.bin"), VersionBlock::build(d)));
        const TVersionValues& v = VersionInformation::Values;
        QCOMPARE(v.DebugFlag, bool(flags & 0x01));
        QCOMPARE(v.PreReleaseFlag, bool(flags & 0x02));
        QCOMPARE(v.PatchedFlag, bool(flags & 0x04));
        QCOMPARE(v.PrivateBuildFlag, bool(flags & 0x08));
        QCOMPARE(v.InfoInferredFlag, bool(flags & 0x10));
        QCOMPARE(v.SpecialBuildFlag, bool(flags & 0x20));
        QCOMPARE(v.CompanyName, QStringLiteral("Quillfern"));
    }

    void upperCaseHexPrefix_data()
    {
        QTest::addColumn<uint>("translation");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("US English, Windows-1252") << 0x04E40409u << "\\StringFileInfo\\040904E4\\";
        QTest::newRow("Spanish, Unicode") << 0x04B00C0Au << "\\StringFileInfo\\0C0A04B0\\";
        QTest::newRow("all letters") << 0xABCDEFFAu << "\\StringFileInfo\\EFFAABCD\\";
        QTest::newRow("zeros") << 0x00000000u << "\\StringFileInfo\\00000000\\";
    }

    void upperCaseHexPrefix()
    {
        QFETCH(uint, translation);
        QFETCH(QString, prefix);
        QCOMPARE(VersionInformation::StringTablePrefix(translation), prefix);
        VersionBlock::Description d;
        d.stringTables.append(
            {prefix.section(u'\\', 2, 2), {{QStringLiteral("CompanyName"), QStringLiteral("Hex")}}});
        d.translations = {translation};
        VersionInformation::FileVersionInformation(
            writeFile(QStringLiteral("hex.bin"), VersionBlock::build(d)));
        QCOMPARE(VersionInformation::Values.CompanyName, QStringLiteral("Hex"));
    }

    // Truncated, garbled or oversized blocks never crash and never read outside the bytes.
    void garbage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray real = VersionBlock::build(programLike());
        for (qsizetype cut : {qsizetype(6), qsizetype(37), qsizetype(92), real.size() / 2, real.size() - 1})
            QTest::addRow("truncated to %lld", qlonglong(cut)) << real.left(cut);
        QByteArray huge = real;
        huge[0] = '\xFF';
        huge[1] = '\xFF';
        QTest::newRow("root length beyond the file") << huge;
        QByteArray zeroChild = real;
        const qsizetype sfi = real.indexOf(QByteArray("S\0t\0r\0i\0n\0g\0F", 14)) - 6;
        zeroChild[sfi] = 0;
        zeroChild[sfi + 1] = 0;
        QTest::newRow("child of length zero") << zeroChild;
        QByteArray bigChild = real;
        bigChild[sfi] = '\xF0';
        bigChild[sfi + 1] = '\x7F';
        QTest::newRow("child longer than its parent") << bigChild;
        QByteArray valueTooLong = real;
        valueTooLong[2] = '\xFF';
        QTest::newRow("fixed value length wrong") << valueTooLong;
        QByteArray unterminated = real.left(6) + QByteArray(60, 'A');
        unterminated[0] = 66;
        QTest::newRow("key without terminator") << unterminated;
        QRandomGenerator random(1234);
        for (int i = 0; i < 5; ++i) {
            QByteArray noise(4096, Qt::Uninitialized);
            for (char& c : noise)
                c = char(random.bounded(256));
            noise.replace(1000 + i * 300, real.size() / 2, real.left(real.size() / 2));
            QTest::addRow("noise %d with half a block", i) << noise;
        }
    }

    void garbage()
    {
        QFETCH(QByteArray, bytes);
        VersionInformation::FileVersionInformation(writeFile(QStringLiteral("bad.bin"), bytes));
        QCOMPARE(VersionInformation::Values.CompanyName, QString());
        QCOMPARE(VersionInformation::Values.ProductVersion, QString());
    }

    // Every single-byte change of a real block, looked up in every way: never a crash.
    void everyByteFlipped()
    {
        const QByteArray real = VersionBlock::build(programLike());
        int found = 0;
        for (qsizetype i = 0; i < real.size(); ++i) {
            for (char value : {'\x00', '\x01', '\x7F', '\xFF'}) {
                QByteArray changed = real;
                changed[i] = value;
                const qsizetype at = VersionBlock::findBlock(changed);
                if (at < 0)
                    continue;
                ++found;
                const QByteArray block = *VersionBlock::extract(changed);
                VersionBlock::queryFixedFileInfo(block);
                VersionBlock::queryTranslations(block);
                for (const QString& key : TenKeys)
                    VersionBlock::queryString(block, QStringLiteral("\\StringFileInfo\\040904E4\\") + key);
                VersionBlock::queryValue(block, QStringLiteral("\\VarFileInfo"));
            }
        }
        QVERIFY(found > 0);
    }

    void buildStamp()
    {
        static const QRegularExpression date(QStringLiteral("^[1-9][0-9]?/[1-9][0-9]?/[0-9]{4}$"));
        static const QRegularExpression time(
            QStringLiteral("^(1[0-2]|[1-9]):[0-5][0-9]:[0-5][0-9] (AM|PM)$"));
        QVERIFY2(date.match(CompileTime::BuildDate()).hasMatch(), qPrintable(CompileTime::BuildDate()));
        QVERIFY2(time.match(CompileTime::BuildTime()).hasMatch(), qPrintable(CompileTime::BuildTime()));
    }
};

HOURGLEN_TEST_MAIN(TestVersionInformation)
#include "tst_VersionInformation.moc"
