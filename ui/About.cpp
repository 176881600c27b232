#include "ui/About.h"

#include "platform/gui/Beep.h"
#include "support/CompileTime.h"
#include "ui/KeySequence.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <qdrawutil.h>

TForm_About* Form_About = nullptr;

const QString TForm_About::Sequence = QStringLiteral("MORV");

namespace {

const QColor Black(0, 0, 0);
const QColor Gray(0x80, 0x80, 0x80);

// A panel with a lowered outer and a raised inner bevel.
class TBevelPanel final : public QFrame
{
public:
    explicit TBevelPanel(QWidget* parent) : QFrame(parent) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        qDrawShadePanel(&painter, rect(), palette(), true, 1);
        qDrawShadePanel(&painter, rect().adjusted(1, 1, -1, -1), palette(), false, 1);
    }
};

// The program's logo, an hourglass drawn as vector shapes and stretched to the picture's size;
// nothing is painted around it, so the panel shows through.
class TLogoPicture final : public QWidget
{
public:
    explicit TLogoPicture(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(width() / 100.0, height() / 100.0); // drawn on a 100 by 100 grid

        const QColor wood(0x8b, 0x5a, 0x2b);
        const QColor woodEdge(0x5c, 0x3a, 0x1a);
        const QColor sand(0xe0, 0xb0, 0x50);

        // The glass: two bulbs meeting at a narrow neck.
        QPainterPath glass;
        glass.moveTo(27, 14);
        glass.lineTo(73, 14);
        glass.cubicTo(73, 36, 53, 42, 52, 50);
        glass.cubicTo(53, 58, 73, 64, 73, 86);
        glass.lineTo(27, 86);
        glass.cubicTo(27, 64, 47, 58, 48, 50);
        glass.cubicTo(47, 42, 27, 36, 27, 14);
        glass.closeSubpath();
        painter.setPen(QPen(QColor(0x4a, 0x7f, 0xa5), 1.5));
        painter.setBrush(QColor(0xcf, 0xe8, 0xf5, 200));
        painter.drawPath(glass);

        // Sand still above, its stream through the neck, and the heap below.
        painter.setPen(Qt::NoPen);
        painter.setBrush(sand);
        QPainterPath upper;
        upper.moveTo(36, 34);
        upper.lineTo(64, 34);
        upper.cubicTo(60, 42, 52, 44, 50, 50);
        upper.cubicTo(48, 44, 40, 42, 36, 34);
        painter.drawPath(upper);
        painter.drawRect(QRectF(49.4, 50, 1.2, 24));
        QPainterPath heap;
        heap.moveTo(30, 85);
        heap.cubicTo(36, 74, 44, 71, 50, 71);
        heap.cubicTo(56, 71, 64, 74, 70, 85);
        heap.closeSubpath();
        painter.drawPath(heap);

        // The frame: two plates joined by two posts.
        painter.setPen(QPen(woodEdge, 1));
        painter.setBrush(wood);
        painter.drawRect(QRectF(19, 12, 4, 76));
        painter.drawRect(QRectF(77, 12, 4, 76));
        painter.drawRoundedRect(QRectF(12, 4, 76, 10), 3, 3);
        painter.drawRoundedRect(QRectF(12, 86, 76, 10), 3, 3);
    }
};

QFont PixelFont(int pixels, bool bold)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QPoint& place, const QString& text,
                  const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(place);
    label->adjustSize();
    return label;
}

// The key, taken as one character; keys that stand for no character match no letter.
QChar KeyCharacter(int key)
{
    return key >= 0 && key <= 0xFFFF ? QChar(char16_t(key)) : QChar(QChar::ReplacementCharacter);
}

} // namespace

TForm_About::TForm_About(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form_About"));
    setWindowTitle(QStringLiteral("About"));
    setFont(PixelFont(13, false));
    setFixedSize(310, 250);
    CreateControls();
    if (const QScreen* const screen = QGuiApplication::primaryScreen()) {
        QRect placed(QPoint(), size());
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
    FormCreate();
}

TForm_About::~TForm_About()
{
    qApp->removeEventFilter(this);
    if (Form_About == this)
        Form_About = nullptr;
}

void TForm_About::CreateControls()
{
    Panel1 = new TBevelPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(14, 6, 280, 200);

    ProgramIcon = new TLogoPicture(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(6, 6, 97, 101);

    const QFont bold = PixelFont(12, true);
    const QFont regular = PixelFont(12, false);
    Version =
        MakeLabel(Panel1, QStringLiteral("Version"), {116, 36}, QStringLiteral("Version 2.00"), bold, Black);
    Label_BuildDate = MakeLabel(Panel1, QStringLiteral("Label_BuildDate"), {116, 72}, {}, regular, Gray);
    Label_BuildTime = MakeLabel(Panel1, QStringLiteral("Label_BuildTime"), {116, 86}, {}, regular, Gray);
    Copyright = MakeLabel(Panel1, QStringLiteral("Copyright"), {10, 114},
                          QStringLiteral("Copyright \u00a9 2012"), bold, Black);
    CompanyName =
        MakeLabel(Panel1, QStringLiteral("CompanyName"), {10, 129}, QStringLiteral("Quillfern"), bold, Black);
    Comments = MakeLabel(Panel1, QStringLiteral("Comments"), {10, 154},
                         QStringLiteral("All rights reserved."), bold, Black);

    OKButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setFont(bold);
    OKButton->setGeometry(117, 216, 76, 24);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    OKButton->setFocus();
}

void TForm_About::FormCreate()
{
    Label_BuildDate->setText(QStringLiteral("build date  ") + CompileTime::BuildDate());
    Label_BuildDate->adjustSize();
    Label_BuildTime->setText(QStringLiteral("build time  ") + CompileTime::BuildTime());
    Label_BuildTime->adjustSize();

    // Key preview: the window sees every key before the focused control, and before the
    // accelerators of its buttons, do.
    qApp->installEventFilter(this);

    m_keySequence = std::make_unique<TKeySequence>(Sequence);
    ShowTaggedControls(false);

    // One button per letter of the sequence, not seen (width 0), so that Alt with the letter is an
    // accelerator of the window; pressing it clicks a button that does nothing.
    for (const QChar letter : Sequence) {
        auto* button = new QPushButton(QLatin1Char('&') + letter, this);
        button->setAutoDefault(false); // Enter stays with the OK button
        button->setGeometry(0, 0, 0, button->sizeHint().height());
    }
}

void TForm_About::ShowTaggedControls(bool visible)
{
    for (QWidget* const control : findChildren<QWidget*>()) {
        if (control->property("Tag").toInt() == 1)
            control->setVisible(visible);
    }
}

void TForm_About::HandleSequenceKey(int key)
{
    if (!m_keySequence->AddKey(KeyCharacter(key))) {
        m_keySequence->Reset();
        Beep::play();
    } else if (m_keySequence->IsComplete()) {
        ShowTaggedControls(true);
    }
}

bool TForm_About::TakesKey(int key, Qt::KeyboardModifiers shift) const
{
    if (m_keySequence->Active())
        return key != Qt::Key_Alt;
    return shift.testFlag(Qt::AltModifier) && KeyCharacter(key) == Sequence.front();
}

void TForm_About::FormKeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if (!TakesKey(key, shift))
        return;
    const bool starting = !m_keySequence->Active();
    HandleSequenceKey(key);
    if (starting)
        m_keySequence->SetActive(true);
    key = 0;
}

void TForm_About::FormKeyUp(int& key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Alt)
        m_keySequence->Reset();
}

void TForm_About::FormClose()
{
    ShowTaggedControls(false);
}

void TForm_About::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TForm_About::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

bool TForm_About::IsOwnReceiver(QObject* receiver) const
{
    if (const auto* const widget = qobject_cast<const QWidget*>(receiver))
        return widget == this || isAncestorOf(widget);
    if (const auto* const window = qobject_cast<const QWindow*>(receiver))
        return window == windowHandle();
    return false;
}

bool TForm_About::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease) ||
        !m_keySequence || !IsOwnReceiver(watched))
        return QDialog::eventFilter(watched, event);

    auto* const keyEvent = static_cast<QKeyEvent*>(event);
    int key = keyEvent->key();
    switch (type) {
    case QEvent::ShortcutOverride:
        // A key the window takes is no accelerator: claim it, and its key press follows.
        if (TakesKey(key, keyEvent->modifiers())) {
            keyEvent->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        FormKeyDown(key, keyEvent->modifiers());
        return key == 0;
    default:
        // The system repeats a held key as pairs of release and press; Alt is still held then.
        if (!keyEvent->isAutoRepeat())
            FormKeyUp(key, keyEvent->modifiers());
        return false;
    }
}
