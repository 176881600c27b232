#pragma once

// Reading back what the debug view's highlighter did to its lines.

#include "debugview/DebugBox.h"
#include "debugview/ExtHilit.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace ColourFixture {

// The text colour given to each character of a line; invalid where none was given.
inline QList<QColor> CharColours(const QTextBlock& block)
{
    QList<QColor> colours(qMax(0, block.length() - 1));
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (!range.format.hasProperty(QTextFormat::ForegroundBrush))
            continue;
        for (int i = range.start; i < range.start + range.length && i < colours.size(); ++i)
            colours[i] = range.format.foreground().color();
    }
    return colours;
}

// A line's colour as a word: the colour's name when every character has it, "none" when no
// character has a colour, "mixed" otherwise. An empty line is "none".
inline QString LineColour(const QTextBlock& block)
{
    const QList<QColor> colours = CharColours(block);
    if (colours.isEmpty())
        return QStringLiteral("none");
    const QColor first = colours.first();
    for (const QColor& colour : colours) {
        if (colour != first)
            return QStringLiteral("mixed");
    }
    return first.isValid() ? first.name() : QStringLiteral("none");
}

inline QStringList LineColours(const QTextDocument* document)
{
    QStringList words;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        words << LineColour(block);
    return words;
}

inline QStringList ViewLines(const TkvtDebugBox& box)
{
    const QString text = box.View()->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

// The registered pairs as "start key|stop key|colour|fold".
inline QStringList Pairs(const TExtHilit& highlighter)
{
    QStringList pairs;
    for (const TStartStopPair& pair : highlighter.StartStopKeys()) {
        pairs << pair.StartKey + u'|' + pair.StopKey + u'|' +
                     (pair.TextColor.isValid() ? pair.TextColor.name() : QStringLiteral("none")) + u'|' +
                     (pair.Foldable ? QStringLiteral("fold") : QStringLiteral("nofold"));
    }
    return pairs;
}

inline const QString Red = QStringLiteral("#ff0000");
inline const QString Green = QStringLiteral("#008000");
inline const QString Blue = QStringLiteral("#0000ff");
inline const QString None = QStringLiteral("none");

} // namespace ColourFixture
