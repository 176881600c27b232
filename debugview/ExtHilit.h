#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QSyntaxHighlighter>
#include <QTextBlockUserData>

class QTextDocument;

// One start/stop pair: the text from the start key through the first stop key after it forms a
// region, across line ends. Keys match with exact letter case, anywhere in a line.
struct TStartStopPair
{
    QString StartKey;
    QString StopKey;
    QColor TextColor; // invalid: the view's own text colour
    bool Foldable = false;
};

// The open foldable regions of one line: at its start, at its end, and the bar count drawn in the
// margin (the deepest level reached when the line ends deeper than it starts, else the start level).
struct TFoldLevels
{
    int StartLevel = 0;
    int EndLevel = 0;
    int BarCount = 0;

    friend bool operator==(const TFoldLevels&, const TFoldLevels&) = default;
};

// What the highlighter keeps with each line: its fold levels and, for a line that opens a region
// reaching past it, whether that region is folded.
class TFoldData final : public QTextBlockUserData
{
public:
    TFoldLevels Levels;
    bool Folded = false;
};

// The debug view's highlighter: applies the registered pairs in registration order, without nesting,
// earliest position first; a region whose stop key never comes runs to the end of the text. A block's
// state carries the pair of the region still open at its end, and whether that region is folded, so
// that the lines after a folded region's first line are hidden.
class TExtHilit final : public QSyntaxHighlighter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TExtHilit)

public:
    // One coloured stretch of a line.
    struct TSpan
    {
        int Start = 0;
        int Length = 0;
        int Pair = -1;

        friend bool operator==(const TSpan&, const TSpan&) = default;
    };

    // The outcome of scanning one line.
    struct TLineScan
    {
        QList<TSpan> Spans;    // every region part on the line, in order
        int OpenAtEnd = -1;    // the pair whose region is still open at the line's end, or -1
        TFoldLevels Levels;    // the foldable levels of the line
        int LastOpenedAt = -1; // where the region open at the line's end started on this line, or -1
    };

    explicit TExtHilit(QTextDocument* document);
    ~TExtHilit() override;

    void AddStartStopPair(const TStartStopPair& pair);
    const QList<TStartStopPair>& StartStopKeys() const { return m_pairs; }

    // Re-applies the pairs to every line of the view.
    void RehighlightAll();

    // Scans one line given the pair whose region is open at its start (-1 for none).
    static TLineScan ScanLine(const QString& text, const QList<TStartStopPair>& pairs, int openAtStart);

    // What the highlighter recorded for a line (all zero before it was highlighted).
    static TFoldLevels FoldLevels(const QTextBlock& block);
    static bool Folded(const QTextBlock& block);
    // Folds or unfolds the region that opens on the line and reaches past it; the lines after it
    // that belong to it are hidden or shown. Returns false for a line where no such region opens.
    bool SetFolded(const QTextBlock& block, bool folded);

signals:
    // The whole view was highlighted again, or a region was folded or unfolded.
    void FoldingChanged();

protected:
    void highlightBlock(const QString& text) override;

private:
    QList<TStartStopPair> m_pairs;
};
