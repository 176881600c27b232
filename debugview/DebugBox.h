#pragma once

#include <QObject>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>

class QPlainTextEdit;
class QWidget;

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
    // Turns an incoming line into the line to append; the block colouring plugs in here.
    using MarkerProcessor = std::function<QString(const QString& text)>;

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

    void SetMarkerProcessor(MarkerProcessor processor) { m_markerProcessor = std::move(processor); }

    // Where the time of day of a time stamp comes from (the program's clock); the system time by default.
    using TimeSource = std::function<QTime()>;
    void SetTimeSource(TimeSource source) { m_timeSource = std::move(source); }

    QWidget* Window() const;
    QPlainTextEdit* View() const { return m_view; }

    // The time-stamped form of a line: "hh:nn:ss:zzz - text".
    static QString TimeStamped(int hour, int minute, int second, int millisecond, const QString& text);

private:
    void ApplyPosition();

    QString m_caption = QStringLiteral("Debug Box");
    TPositions m_position = poTopRight;
    bool m_visible = false;
    bool m_populating = true;
    int m_width = 320;
    int m_height = 0;
    bool m_timeStamp = false;
    MarkerProcessor m_markerProcessor;
    TimeSource m_timeSource;
    std::unique_ptr<QWidget> m_window;
    QPlainTextEdit* m_view = nullptr; // owned by m_window
};
