#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>

// A list of small images of one size, reached by index (the images of a grid's column titles,
// a menu's icons). Held as images, so it can be made before any window exists.
class ImageList final
{
public:
    explicit ImageList(QSize size = QSize(16, 16)) : m_size(size) {}

    QSize size() const { return m_size; }
    int count() const { return int(m_images.size()); }
    void add(const QImage& image) { m_images.append(image); }
    // A null image for an index out of range.
    QImage image(int index) const { return m_images.value(index); }
    // Needs the GUI application.
    QPixmap pixmap(int index) const { return QPixmap::fromImage(image(index)); }

private:
    QSize m_size;
    QList<QImage> m_images;
};
