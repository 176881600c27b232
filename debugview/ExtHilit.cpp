#include "debugview/ExtHilit.h"

#include <QTextCharFormat>
#include <QTextDocument>

#include <algorithm>

namespace {

// A line's state: -1 outside any region, else the open pair times two plus one when it is folded.
int EncodeState(int pair, bool folded)
{
    return pair < 0 ? -1 : pair * 2 + (folded ? 1 : 0);
}

TFoldData* FoldDataOf(const QTextBlock& block)
{
    return dynamic_cast<TFoldData*>(block.userData());
}

} // namespace

TExtHilit::TExtHilit(QTextDocument* document) : QSyntaxHighlighter(document) {}

TExtHilit::~TExtHilit() = default;

void TExtHilit::AddStartStopPair(const TStartStopPair& pair)
{
    m_pairs.append(pair);
}

void TExtHilit::RehighlightAll()
{
    rehighlight();
    emit FoldingChanged();
}

TExtHilit::TLineScan TExtHilit::ScanLine(const QString& text, const QList<TStartStopPair>& pairs,
                                         int openAtStart)
{
    TLineScan scan;
    const int length = int(text.size());
    int open = openAtStart >= 0 && openAtStart < pairs.size() ? openAtStart : -1;
    int level = open >= 0 && pairs[open].Foldable ? 1 : 0;
    int deepest = level;
    scan.Levels.StartLevel = level;
    int regionStart = 0; // where the open region starts on this line
    int position = 0;    // where the next search begins

    for (;;) {
        if (open >= 0) {
            const TStartStopPair& pair = pairs[open];
            const int stop = pair.StopKey.isEmpty() ? -1 : int(text.indexOf(pair.StopKey, position));
            if (stop < 0) {
                if (length > regionStart)
                    scan.Spans.append({regionStart, length - regionStart, open});
                break;
            }
            const int end = stop + int(pair.StopKey.size());
            scan.Spans.append({regionStart, end - regionStart, open});
            if (pair.Foldable)
                --level;
            open = -1;
            scan.LastOpenedAt = -1;
            position = end;
        }
        // Earliest position first; at the same position the pair registered first.
        int best = -1;
        int bestAt = length;
        for (int i = 0; i < pairs.size(); ++i) {
            const QString& key = pairs[i].StartKey;
            if (key.isEmpty())
                continue;
            const int at = int(text.indexOf(key, position));
            if (at >= 0 && (best < 0 || at < bestAt)) {
                best = i;
                bestAt = at;
            }
        }
        if (best < 0)
            break;
        open = best;
        regionStart = bestAt;
        scan.LastOpenedAt = bestAt;
        position = bestAt + int(pairs[best].StartKey.size());
        if (pairs[best].Foldable)
            deepest = std::max(deepest, ++level);
    }

    scan.OpenAtEnd = open;
    scan.Levels.EndLevel = level;
    scan.Levels.BarCount = level > scan.Levels.StartLevel ? deepest : scan.Levels.StartLevel;
    return scan;
}

void TExtHilit::highlightBlock(const QString& text)
{
    const int previous = previousBlockState();
    const int openAtStart = previous >= 0 ? previous / 2 : -1;
    const bool insideFolded = previous >= 0 && previous % 2 == 1;
    const TLineScan scan = ScanLine(text, m_pairs, openAtStart);

    for (const TSpan& span : scan.Spans) {
        const QColor& colour = m_pairs[span.Pair].TextColor;
        if (!colour.isValid())
            continue;
        QTextCharFormat format;
        format.setForeground(colour);
        setFormat(span.Start, span.Length, format);
    }

    auto* data = dynamic_cast<TFoldData*>(currentBlockUserData());
    if (!data) {
        data = new TFoldData; // owned by the line from here on
        setCurrentBlockUserData(data);
    }
    data->Levels = scan.Levels;
    if (data->Levels.EndLevel <= data->Levels.StartLevel)
        data->Folded = false; // nothing opens here any more that could stay folded

    bool foldedAtEnd = false;
    if (scan.OpenAtEnd >= 0)
        foldedAtEnd = scan.LastOpenedAt >= 0 ? data->Folded : insideFolded;
    setCurrentBlockState(EncodeState(scan.OpenAtEnd, foldedAtEnd));

    // A line that starts inside a folded region is hidden, the line that closes it included.
    QTextBlock block = currentBlock();
    if (block.isVisible() == insideFolded) {
        block.setVisible(!insideFolded);
        document()->markContentsDirty(block.position(), block.length());
    }
}

TFoldLevels TExtHilit::FoldLevels(const QTextBlock& block)
{
    const TFoldData* data = FoldDataOf(block);
    return data ? data->Levels : TFoldLevels{};
}

bool TExtHilit::Folded(const QTextBlock& block)
{
    const TFoldData* data = FoldDataOf(block);
    return data && data->Folded;
}

bool TExtHilit::SetFolded(const QTextBlock& block, bool folded)
{
    TFoldData* data = FoldDataOf(block);
    if (!data || block.document() != document() || data->Levels.EndLevel <= data->Levels.StartLevel)
        return false;
    if (data->Folded != folded) {
        data->Folded = folded;
        // The changed state runs down to the region's last line, hiding or showing each.
        rehighlightBlock(block);
        emit FoldingChanged();
    }
    return true;
}
