// The string helpers: Trim and ReplaceAllText.

#include "common/TestMain.h"

#include "support/LibStrng.h"

#include <QRandomGenerator>

namespace {

// Replaces the first occurrence, searching from the start each time, for as long as one is found.
// Used only with rules that shorten the text or move letters, which always come to an end.
QString replaceFromTheStart(QString s, const QString& pattern, const QString& replacement)
{
    for (qsizetype found = s.indexOf(pattern); found >= 0; found = s.indexOf(pattern))
        s.replace(found, pattern.size(), replacement);
    return s;
}

QString randomText(QRandomGenerator& random, qsizetype maxLength)
{
    QString text;
    const qsizetype length = random.bounded(int(maxLength) + 1);
    for (qsizetype i = 0; i < length; ++i)
        text += QChar(u'a' + random.bounded(3));
    return text;
}

} // namespace

class TestLibStrng : public QObject
{
    Q_OBJECT

private slots:
    void replaceAllText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");

        QTest::newRow("every occurrence") << "abab"
                                          << "ab"
                                          << "x"
                                          << "xx";
        QTest::newRow("removal meets again") << "aabb"
                                             << "ab"
                                             << ""
                                             << "";
        QTest::newRow("replacement joins its neighbour") << "aab"
                                                         << "ab"
                                                         << "b"
                                                         << "b";
        QTest::newRow("exe twice") << "A.EXE.EXE"
                                   << ".EXE"
                                   << ".ini"
                                   << "A.ini.ini";
        QTest::newRow("case matters") << "a.exe"
                                      << ".EXE"
                                      << ".ini"
                                      << "a.exe";
        QTest::newRow("mixed case untouched") << "A.Exe"
                                              << ".EXE"
                                              << ".ini"
                                              << "A.Exe";
        QTest::newRow("no occurrence") << "hourglen"
                                       << "xyz"
                                       << "q"
                                       << "hourglen";
        QTest::newRow("whole text") << ".EXE"
                                    << ".EXE"
                                    << ".ini"
                                    << ".ini";
        QTest::newRow("letters move until sorted") << "abab"
                                                   << "ab"
                                                   << "ba"
                                                   << "bbaa";
        QTest::newRow("growing until done") << "aab"
                                            << "ab"
                                            << "bba"
                                            << "bbbbaa";
        QTest::newRow("empty pattern") << "abc"
                                       << ""
                                       << "x"
                                       << "abc";
        QTest::newRow("empty text") << ""
                                    << "ab"
                                    << "x"
                                    << "";
        QTest::newRow("beyond latin-1") << QStringLiteral("\u00e9ab\u4e2d") << "ab"
                                        << QStringLiteral("\u00fc") << QStringLiteral("\u00e9\u00fc\u4e2d");
        // Rules that would repeat without end are refused: the text comes back as it was.
        QTest::newRow("replacement holds the pattern") << "xaby"
                                                       << "ab"
                                                       << "aab"
                                                       << "xaby";
        QTest::newRow("replacement equals the pattern") << "ab"
                                                        << "ab"
                                                        << "ab"
                                                        << "ab";
        QTest::newRow("text grows forever") << "abb"
                                            << "ab"
                                            << "bbaa"
                                            << "abb";
    }

    void replaceAllText()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        const QString before = text;
        QCOMPARE(LibStrng::ReplaceAllText(text, pattern, replacement), expected);
        QCOMPARE(text, before);
    }

    // Long texts give what a search from the very start gives, however the replacements meet.
    void replaceAllTextMatchesASearchFromTheStart()
    {
        QRandomGenerator random(20261210);
        const QList<std::pair<QString, QString>> rules{
            {"ab", ""}, {"ab", "b"}, {"aba", "c"}, {"abc", "ba"}, {"ab", "ba"}, {"ca", "ac"}, {"aa", "a"}};
        for (int round = 0; round < 400; ++round) {
            const QString text = randomText(random, 60);
            for (const auto& [pattern, replacement] : rules) {
                QCOMPARE(LibStrng::ReplaceAllText(text, pattern, replacement),
                         replaceFromTheStart(text, pattern, replacement));
            }
        }
        const QString many = QString(3000, u'a') + QString(3000, u'b');
        QCOMPARE(LibStrng::ReplaceAllText(many, "ab", ""), QString());
        QCOMPARE(LibStrng::ReplaceAllText(many, "ba", "x"), many);
    }

    void trim_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blanks") << "  a b  "
                                << "a b";
        QTest::newRow("control characters") << "\t\r\n x\x01"
                                            << "x";
        QTest::newRow("only blanks") << " \t "
                                     << "";
        QTest::newRow("nothing to trim") << "abc"
                                         << "abc";
    }

    void trim()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(LibStrng::Trim(text), expected);
    }
};

HOURGLEN_TEST_MAIN_CORE(TestLibStrng)
#include "tst_LibStrng.moc"
