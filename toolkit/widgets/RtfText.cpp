#include "toolkit/widgets/RtfText.h"

#include <QByteArray>
#include <QList>
#include <QStringDecoder>

namespace {

// Destinations whose content is never text.
bool skippedDestination(QStringView word)
{
    static const char* const names[] = {"fonttbl",
                                        "colortbl",
                                        "stylesheet",
                                        "info",
                                        "pict",
                                        "object",
                                        "header",
                                        "footer",
                                        "headerl",
                                        "headerr",
                                        "headerf",
                                        "footerl",
                                        "footerr",
                                        "footerf",
                                        "fldinst",
                                        "listtable",
                                        "listoverridetable",
                                        "rsidtbl",
                                        "generator",
                                        "themedata",
                                        "colorschememapping",
                                        "latentstyles",
                                        "datastore",
                                        "xmlnstbl",
                                        "mmathPr",
                                        "filetbl",
                                        "revtbl",
                                        "pgdsctbl",
                                        "bkmkstart",
                                        "bkmkend"};
    for (const char* name : names) {
        if (word == QLatin1String(name))
            return true;
    }
    return false;
}

struct Group
{
    bool skip = false;
    int unicodeSkip = 1; // characters that follow \uN in place of it
};

} // namespace

namespace RtfText {

bool isRtf(const QString& text)
{
    return QStringView(text).trimmed().startsWith(QLatin1String("{\\rtf"));
}

QString toPlainText(const QString& rtf)
{
    QString out;
    QList<Group> stack{Group{}};
    QByteArray pendingBytes; // \'hh characters, decoded together
    QStringDecoder cp1252("windows-1252");
    const auto flushBytes = [&] {
        if (!pendingBytes.isEmpty()) {
            if (!stack.last().skip)
                out += cp1252.isValid() ? cp1252.decode(pendingBytes) : QString::fromLatin1(pendingBytes);
            pendingBytes.clear();
        }
    };
    int skipChars = 0; // characters still to drop after a \uN
    const qsizetype n = rtf.size();
    qsizetype i = 0;
    const auto emitText = [&](const QString& text) {
        flushBytes();
        if (!stack.last().skip)
            out += text;
    };
    while (i < n) {
        const QChar c = rtf.at(i);
        if (c == u'{') {
            flushBytes();
            const Group inner = stack.last();
            stack.append(inner);
            ++i;
            // {\* ...} marks a destination a reader may ignore.
            if (i + 1 < n && rtf.at(i) == u'\\' && rtf.at(i + 1) == u'*')
                stack.last().skip = true;
            continue;
        }
        if (c == u'}') {
            flushBytes();
            if (stack.size() > 1)
                stack.removeLast();
            ++i;
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            ++i; // line breaks of the source are not text
            continue;
        }
        if (c != u'\\') {
            if (skipChars > 0) {
                --skipChars;
            } else {
                emitText(QString(c));
            }
            ++i;
            continue;
        }
        // A control symbol or word.
        ++i;
        if (i >= n)
            break;
        const QChar s = rtf.at(i);
        if (!s.isLetter()) {
            ++i;
            switch (s.unicode()) {
            case '\\':
            case '{':
            case '}':
                if (skipChars > 0)
                    --skipChars;
                else
                    emitText(QString(s));
                break;
            case '~':
                emitText(QString(QChar(0x00A0)));
                break;
            case '_':
                emitText(QString(QChar(0x2011)));
                break;
            case '\'': {
                bool ok = false;
                const int byte = i + 2 <= n ? rtf.mid(i, 2).toInt(&ok, 16) : 0;
                if (ok) {
                    i += 2;
                    if (skipChars > 0)
                        --skipChars;
                    else if (!stack.last().skip)
                        pendingBytes.append(char(byte));
                }
                break;
            }
            case '*':
                stack.last().skip = true;
                break;
            case '\r':
            case '\n':
                emitText(QStringLiteral("\n"));
                break;
            default:
                break; // \- (optional hyphen), \| and the like show nothing
            }
            continue;
        }
        const qsizetype wordStart = i;
        while (i < n && rtf.at(i).isLetter() && rtf.at(i).unicode() < 128)
            ++i;
        const QStringView word = QStringView(rtf).mid(wordStart, i - wordStart);
        bool hasParam = false;
        int param = 0;
        const qsizetype paramStart = i;
        if (i < n && (rtf.at(i) == u'-' || rtf.at(i).isDigit())) {
            ++i;
            while (i < n && rtf.at(i).isDigit() && i - paramStart < 11)
                ++i;
            param = QStringView(rtf).mid(paramStart, i - paramStart).toInt(&hasParam);
        }
        if (i < n && rtf.at(i) == u' ')
            ++i; // the blank that ends a control word belongs to it
        if (skippedDestination(word)) {
            stack.last().skip = true;
        } else if (word == QLatin1String("par") || word == QLatin1String("line") ||
                   word == QLatin1String("sect") || word == QLatin1String("page") ||
                   word == QLatin1String("row")) {
            emitText(QStringLiteral("\n"));
        } else if (word == QLatin1String("tab") || word == QLatin1String("cell")) {
            emitText(QStringLiteral("\t"));
        } else if (word == QLatin1String("uc") && hasParam) {
            stack.last().unicodeSkip = std::max(0, param);
        } else if (word == QLatin1String("u") && hasParam) {
            const char16_t code = char16_t(param < 0 ? param + 65536 : param);
            emitText(QString(QChar(code)));
            skipChars = stack.last().unicodeSkip;
        } else if (word == QLatin1String("emdash")) {
            emitText(QString(QChar(0x2014)));
        } else if (word == QLatin1String("endash")) {
            emitText(QString(QChar(0x2013)));
        } else if (word == QLatin1String("bullet")) {
            emitText(QString(QChar(0x2022)));
        } else if (word == QLatin1String("lquote")) {
            emitText(QString(QChar(0x2018)));
        } else if (word == QLatin1String("rquote")) {
            emitText(QString(QChar(0x2019)));
        } else if (word == QLatin1String("ldblquote")) {
            emitText(QString(QChar(0x201C)));
        } else if (word == QLatin1String("rdblquote")) {
            emitText(QString(QChar(0x201D)));
        }
        // Every other control word formats and shows nothing.
    }
    flushBytes();
    // A document ends its last paragraph with \par; its text does not end with an empty line.
    while (out.endsWith(u'\n'))
        out.chop(1);
    return out;
}

} // namespace RtfText
