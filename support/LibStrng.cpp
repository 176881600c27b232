#include "support/LibStrng.h"

namespace LibStrng {

namespace {

// Bounds for a replacement that does not come to an end. A rule whose replacement holds its pattern
// never ends; other rules can (ab -> bbaa grows "abb" forever), and telling them apart in general is
// not possible, so a text that keeps growing or keeps changing past these bounds is given up.
constexpr qsizetype MaxGrowth = 65536;         // characters beyond the length of Text
constexpr qsizetype MaxReplacements = 1 << 20; // replacements in one call

} // namespace

QString Trim(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= u' ')
        ++first;
    while (last > first && text.at(last - 1).unicode() <= u' ')
        --last;
    return text.mid(first, last - first);
}

QString ReplaceAllText(const QString& Text, const QString& Pattern, const QString& Replacement)
{
    if (Pattern.isEmpty() || Text.isEmpty())
        return Text;
    if (Replacement.contains(Pattern, Qt::CaseSensitive))
        return Text;

    QString s = Text;
    const qsizetype maxLength = Text.size() + MaxGrowth;
    qsizetype replacements = 0;
    // The first occurrence lies at or after `from`: the text before the last replacement held none, and
    // a new one must overlap what was inserted, so it starts at most Pattern.size() - 1 before it. This
    // finds the same occurrence as a search from the start, without reading the unchanged prefix again.
    qsizetype from = 0;
    for (;;) {
        const qsizetype found = s.indexOf(Pattern, from, Qt::CaseSensitive);
        if (found < 0)
            return s;
        if (++replacements > MaxReplacements || s.size() - Pattern.size() + Replacement.size() > maxLength)
            return Text;
        s.replace(found, Pattern.size(), Replacement);
        from = qMax<qsizetype>(0, found - (Pattern.size() - 1));
    }
}

} // namespace LibStrng
