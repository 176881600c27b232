#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>

class QPlainTextEdit;
class QWidget;
class TCollapseHandler;
class TDebugTextView;
class TExtHilit;

enum TPositions
{
    poTopLeft,
    poBottomLeft,
    poTopRight,
    poBottomRight
};

// The component that owns the stay-on-top debug window and its text view. Lines handed to it while
// it is hidden or not populating are dropped. User-interface thread only.
class TkvtDebugBox final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TkvtDebugBox)

public:
    explicit TkvtDebugBox(QObject* owner = nullptr);
    ~TkvtDebugBox() override;

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    TPositions Position() const { return m_position; }
    void SetPosition(TPositions position);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    bool Populating() const { return m_populating; }
    void SetPopulating(bool populating) { m_populating = populating; }
    int Width() const { return m_width; }
    void SetWidth(int width);
    int Height() const { return m_height; }
    void SetHeight(int height);
    bool TimeStamp() const { return m_timeStamp; }
    void SetTimeStamp(bool timeStamp) { m_timeStamp = timeStamp; }

    void AddLine(const QString& text);
    void ClearLines();

    // Turns a line with a colour word after its "BEG    " or "END    " into the line shown, and
    // registers the colour pair of a begin line not seen before; returns the line to append.
    QString ProcessMarkers(const QString& text);

    // Where the time of day of a time stamp comes from (the program's clock); the system time by default.
    using TimeSource = std::function<QTime()>;
    void SetTimeSource(TimeSource source) { m_timeSource = std::move(source); }

    QWidget* Window() const;
    QPlainTextEdit* View() const;
    TExtHilit* Highlighter() const { return m_highlighter; }
    TCollapseHandler* CollapseHandler() const { return m_collapseHandler; }
    // The start keys registered so far, in the form they are looked up (letter case ignored).
    const QSet<QString>& RegisteredPairs() const { return m_registeredPairs; }

    // The time-stamped form of a line: "hh:nn:ss:zzz - text".
    static QString TimeStamped(int hour, int minute, int second, int millisecond, const QString& text);

    // Where a window's outer frame of the given size stands when it touches a corner of a screen
    // of the given size; a window larger than the screen gets a negative coordinate.
    static QRect CornerFrame(TPositions position, const QSize& screen, const QSize& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplySize();
    void ApplyPosition();
    QMargins FrameMargins() const;

    QString m_caption = QStringLiteral("Debug Box");
    TPositions m_position = poTopRight;
    bool m_visible = false;
    bool m_populating = true;
    int m_width = 320;
    int m_height = 0;
    bool m_timeStamp = false;
    TimeSource m_timeSource;
    std::unique_ptr<QWidget> m_window;
    TDebugTextView* m_view = nullptr;              // owned by m_window
    TExtHilit* m_highlighter = nullptr;            // owned by the view's document
    TCollapseHandler* m_collapseHandler = nullptr; // owned by the view
    QSet<QString> m_registeredPairs;               // case-folded start keys
    QMargins m_appliedFrame;                       // the frame the window was last sized for
};
