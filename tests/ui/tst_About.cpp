#include "common/TestMain.h"
#include "platform/gui/Beep.h"
#include "support/CompileTime.h"
#include "ui/About.h"
#include "ui/KeySequence.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// The About window, driven with key events through the same path as the keyboard's (shortcut
// override first, then the key press to the focused control), with the beep counted.
class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keySequenceMatcher();
    void keySequences_data();
    void keySequences();
    void keysTakenBeforeTheFocusedControl();
    void enterWhileASequenceRunsIsTaken();
    void acceleratorButtons();
    void acceleratorsOfOtherLettersStaySilent();
    void taggedControlsHiddenOnClose_data();
    void taggedControlsHiddenOnClose();
    void nothingTaggedNothingChanges();
    void buildLabels();
    void designedLayout();
    void logoIsDrawn();

private:
    void open();
    QWidget* focused() const;
    // Plays a script: '[' Alt down, ']' Alt up, '~' Alt repeated by the system while held, '#'
    // Return, and capital letters typed (with Alt when it is down).
    void play(const QString& script);
    QLabel* addTagged(QWidget* parent, const QString& name, int tag);
    template <typename T> T* child(const char* name) const
    {
        T* const found = m_form->findChild<T*>(QLatin1String(name));
        if (!found)
            qWarning("no control %s", name);
        return found;
    }

    std::unique_ptr<TForm_About> m_form;
    std::function<void()> m_systemBeep;
    int m_beeps = 0;
    bool m_altDown = false;
};

namespace {

QList<QPushButton*> hiddenButtons(const QWidget* form)
{
    QList<QPushButton*> buttons;
    for (QPushButton* button : form->findChildren<QPushButton*>()) {
        if (button->objectName() != u"OKButton")
            buttons << button;
    }
    return buttons;
}

// Counts the key presses a control receives.
class KeyCounter final : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent*>(event)->key();
        return false;
    }
    QList<int> keys;
};

} // namespace

void TestAbout::init()
{
    m_beeps = 0;
    m_altDown = false;
    m_systemBeep = Beep::replace([this] { ++m_beeps; });
    m_form = std::make_unique<TForm_About>();
}

void TestAbout::cleanup()
{
    m_form.reset();
    Beep::replace(m_systemBeep);
}

void TestAbout::open()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QCOMPARE(focused(), child<QPushButton>("OKButton"));
}

QWidget* TestAbout::focused() const
{
    return QApplication::focusWidget();
}

void TestAbout::play(const QString& script)
{
    for (const QChar step : script) {
        QWidget* const target = focused() ? focused() : m_form.get();
        const Qt::KeyboardModifiers alt = m_altDown ? Qt::AltModifier : Qt::NoModifier;
        switch (step.unicode()) {
        case '[':
            QTest::simulateEvent(target, true, Qt::Key_Alt, Qt::NoModifier, QString(), false);
            m_altDown = true;
            break;
        case ']':
            QTest::simulateEvent(target, false, Qt::Key_Alt, Qt::AltModifier, QString(), false);
            m_altDown = false;
            break;
        case '~': // as the X server repeats a held key: a release and a press, both marked so
            QTest::simulateEvent(target, false, Qt::Key_Alt, Qt::AltModifier, QString(), true);
            QTest::simulateEvent(target, true, Qt::Key_Alt, Qt::AltModifier, QString(), true);
            break;
        case '#':
            QTest::simulateEvent(target, true, Qt::Key_Return, alt, QStringLiteral("\r"), false);
            if (focused())
                QTest::simulateEvent(focused(), false, Qt::Key_Return, alt, QStringLiteral("\r"), false);
            break;
        default: {
            const QString text = m_altDown ? QString() : QString(step.toLower());
            QTest::simulateEvent(target, true, step.unicode(), alt, text, false);
            QTest::simulateEvent(focused() ? focused() : m_form.get(), false, step.unicode(), alt, text,
                                 false);
            break;
        }
        }
    }
}

QLabel* TestAbout::addTagged(QWidget* parent, const QString& name, int tag)
{
    auto* label = new QLabel(QStringLiteral("Secret ") + name, parent);
    label->setObjectName(name);
    label->setProperty("Tag", tag);
    label->move(150, 180);
    return label;
}

void TestAbout::keySequenceMatcher()
{
    TKeySequence sequence(QStringLiteral("MORV"));
    QCOMPARE(sequence.Count(), quint16(0));
    QVERIFY(!sequence.Active());
    QVERIFY(sequence.AddKey(QLatin1Char('M')));
    QVERIFY(sequence.AddKey(QLatin1Char('O')));
    QVERIFY(!sequence.IsComplete());
    QVERIFY(sequence.AddKey(QLatin1Char('R')));
    QVERIFY(sequence.AddKey(QLatin1Char('V')));
    QVERIFY(sequence.IsComplete());
    QVERIFY(!sequence.AddKey(QLatin1Char('V'))); // nothing matches past the end
    QCOMPARE(sequence.Count(), quint16(4));
    QCOMPARE(sequence.Buffer(), QStringLiteral("MORV"));
    sequence.SetActive(true);
    sequence.Reset();
    QVERIFY(!sequence.Active());
    QCOMPARE(sequence.Count(), quint16(0));
    QCOMPARE(sequence.Buffer(), QString());
    QVERIFY(!sequence.AddKey(QLatin1Char('m'))); // character codes compare exactly
    QCOMPARE(sequence.Count(), quint16(1));
}

void TestAbout::keySequences_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("shown");

    QTest::newRow("complete, Alt held") << "[MORV" << 0 << 4 << true << true;
    QTest::newRow("complete, then Alt released") << "[MORV]" << 0 << 0 << false << true;
    QTest::newRow("first three") << "[MOR" << 0 << 3 << true << false;
    QTest::newRow("wrong letter") << "[MX" << 1 << 0 << false << false;
    QTest::newRow("wrong third letter") << "[MOX" << 1 << 0 << false << false;
    QTest::newRow("first letter twice") << "[MM" << 1 << 0 << false << false;
    QTest::newRow("Alt alone") << "[]" << 0 << 0 << false << false;
    QTest::newRow("Alt held alone") << "[" << 0 << 0 << false << false;
    QTest::newRow("Alt with another letter") << "[O" << 0 << 0 << false << false;
    QTest::newRow("Alt with other letters, then the first") << "[OXM" << 0 << 1 << true << false;
    QTest::newRow("a fifth key") << "[MORVM" << 1 << 0 << false << true;
    QTest::newRow("a fifth key, then the sequence again") << "[MORVXMORV" << 1 << 4 << true << true;
    QTest::newRow("Alt released early, then again") << "[MO][MORV" << 0 << 4 << true << true;
    QTest::newRow("Alt released before the last letter") << "[MOR]V" << 0 << 0 << false << false;
    QTest::newRow("letters without Alt") << "MORV" << 0 << 0 << false << false;
    QTest::newRow("Alt repeated while held") << "[M~~OR~V" << 0 << 4 << true << true;
    QTest::newRow("after a wrong letter, from the start") << "[MXMORV" << 1 << 4 << true << true;
}

void TestAbout::keySequences()
{
    QFETCH(QString, script);
    QFETCH(int, beeps);
    QFETCH(int, count);
    QFETCH(bool, active);
    QFETCH(bool, shown);

    QLabel* const onWindow = addTagged(m_form.get(), QStringLiteral("TaggedOnWindow"), 1);
    QLabel* const inPanel = addTagged(child<QFrame>("Panel1"), QStringLiteral("TaggedInPanel"), 1);
    QLabel* const otherTag = addTagged(m_form.get(), QStringLiteral("TaggedTwo"), 2);
    m_form->ShowTaggedControls(false); // as the window's creation does with its own
    open();
    QVERIFY(!onWindow->isVisible());
    QVERIFY(otherTag->isVisible());

    play(script);
    QCOMPARE(m_beeps, beeps);
    QCOMPARE(int(m_form->KeySequence().Count()), count);
    QCOMPARE(m_form->KeySequence().Active(), active);
    QCOMPARE(onWindow->isVisible(), shown);
    QCOMPARE(inPanel->isVisible(), shown);
    QVERIFY(otherTag->isVisible());
    QVERIFY(m_form->isVisible());
}

void TestAbout::keysTakenBeforeTheFocusedControl()
{
    open();
    KeyCounter counter;
    QWidget* const ok = focused();
    ok->installEventFilter(&counter);
    play(QStringLiteral("[MORV"));
    QCOMPARE(counter.keys, QList<int>{Qt::Key_Alt}); // the letters never reached the button
    play(QStringLiteral("]O"));
    QCOMPARE(counter.keys, (QList<int>{Qt::Key_Alt, Qt::Key_O})); // idle: keys pass on
    ok->removeEventFilter(&counter);
    QCOMPARE(m_beeps, 0);
}

void TestAbout::enterWhileASequenceRunsIsTaken()
{
    open();
    play(QStringLiteral("[M#"));
    QCOMPARE(m_beeps, 1);
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_form->result(), int(QDialog::Rejected));
    play(QStringLiteral("]#")); // idle: Enter is the OK button's
    QTRY_VERIFY(!m_form->isVisible());
    QCOMPARE(m_form->result(), int(QDialog::Accepted));
    QCOMPARE(m_beeps, 1);
}

void TestAbout::acceleratorButtons()
{
    const QList<QPushButton*> buttons = hiddenButtons(m_form.get());
    QCOMPARE(buttons.size(), 4);
    QStringList captions;
    for (QPushButton* button : buttons) {
        captions << button->text();
        QCOMPARE(button->parentWidget(), m_form.get());
        QCOMPARE(button->geometry(), QRect(0, 0, 0, button->sizeHint().height()));
        QVERIFY(button->isEnabled());
        QVERIFY(!button->isHidden());
    }
    QCOMPARE(captions, (QStringList{"&M", "&O", "&R", "&V"}));

    // They follow the OK button in the Tab order, in the sequence's order.
    QWidget* next = child<QPushButton>("OKButton")->nextInFocusChain();
    for (QPushButton* button : buttons) {
        QCOMPARE(next, button);
        next = next->nextInFocusChain();
    }
}

void TestAbout::acceleratorsOfOtherLettersStaySilent()
{
    open();
    const QList<QPushButton*> buttons = hiddenButtons(m_form.get());
    QSignalSpy clickedM(buttons.at(0), &QPushButton::clicked);
    QSignalSpy clickedO(buttons.at(1), &QPushButton::clicked);
    play(QStringLiteral("[M]")); // the window takes Alt with the first letter
    play(QStringLiteral("[O]")); // an idle window leaves Alt with another letter to its accelerator
    QTRY_COMPARE(clickedO.count(), 1);
    QCOMPARE(clickedM.count(), 0);
    QCOMPARE(m_beeps, 0);
    QVERIFY(m_form->isVisible());
}

void TestAbout::taggedControlsHiddenOnClose_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK button") << "ok" << int(QDialog::Accepted);
    QTest::newRow("Enter") << "enter" << int(QDialog::Accepted);
    QTest::newRow("close box") << "close" << int(QDialog::Rejected);
}

void TestAbout::taggedControlsHiddenOnClose()
{
    QFETCH(QString, how);
    QFETCH(int, result);

    QLabel* const tagged = addTagged(child<QFrame>("Panel1"), QStringLiteral("Tagged"), 1);
    m_form->ShowTaggedControls(false);
    open();
    play(QStringLiteral("[MORV]"));
    QVERIFY(tagged->isVisible());

    if (how == u"ok")
        QTest::mouseClick(child<QPushButton>("OKButton"), Qt::LeftButton);
    else if (how == u"enter")
        play(QStringLiteral("#"));
    else
        QVERIFY(m_form->close());
    QTRY_VERIFY(!m_form->isVisible());
    QCOMPARE(m_form->result(), result);
    QVERIFY(tagged->isHidden());
}

void TestAbout::nothingTaggedNothingChanges()
{
    for (QWidget* control : m_form->findChildren<QWidget*>())
        QVERIFY2(control->property("Tag").toInt() != 1, qPrintable(control->objectName()));
    open();
    QList<QWidget*> visibleBefore;
    for (QWidget* control : m_form->findChildren<QWidget*>()) {
        if (control->isVisible())
            visibleBefore << control;
    }
    const QImage before = m_form->grab().toImage();
    play(QStringLiteral("[MORV"));
    QVERIFY(m_form->KeySequence().IsComplete());
    QList<QWidget*> visibleAfter;
    for (QWidget* control : m_form->findChildren<QWidget*>()) {
        if (control->isVisible())
            visibleAfter << control;
    }
    QCOMPARE(visibleAfter, visibleBefore);
    QCOMPARE(m_form->grab().toImage(), before);
}

void TestAbout::buildLabels()
{
    const QLabel* const date = child<QLabel>("Label_BuildDate");
    const QLabel* const time = child<QLabel>("Label_BuildTime");
    QCOMPARE(date->text(), QStringLiteral("build date  ") + CompileTime::BuildDate());
    QCOMPARE(time->text(), QStringLiteral("build time  ") + CompileTime::BuildTime());
    QVERIFY2(QRegularExpression(QStringLiteral("^build date  [1-9]\\d?/[1-9]\\d?/\\d{4}$"))
                 .match(date->text())
                 .hasMatch(),
             qPrintable(date->text()));
    QVERIFY2(QRegularExpression(QStringLiteral("^build time  (1[0-2]|[1-9]):[0-5]\\d:[0-5]\\d (AM|PM)$"))
                 .match(time->text())
                 .hasMatch(),
             qPrintable(time->text()));
    QCOMPARE(date->pos(), QPoint(116, 72));
    QCOMPARE(time->pos(), QPoint(116, 86));
    QCOMPARE(date->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    QCOMPARE(date->font().pixelSize(), 12);
    QVERIFY(!date->font().bold());
    QVERIFY(date->width() >= date->sizeHint().width()); // the whole text shows
}

void TestAbout::designedLayout()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("About"));
    QCOMPARE(m_form->size(), QSize(310, 250));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    QCOMPARE(m_form->font().pixelSize(), 13);

    const QFrame* const panel = child<QFrame>("Panel1");
    QCOMPARE(panel->geometry(), QRect(14, 6, 280, 200));
    const QWidget* const icon = child<QWidget>("ProgramIcon");
    QCOMPARE(icon->parentWidget(), panel);
    QCOMPARE(icon->geometry(), QRect(6, 6, 97, 101));

    struct Expected
    {
        const char* name;
        QPoint place;
        QString text; // empty: any
    };
    for (const Expected& label : {Expected{"Version", {116, 36}, QStringLiteral("Version 2.00")},
                                  Expected{"Copyright", {10, 114}, QString()},
                                  Expected{"CompanyName", {10, 129}, QStringLiteral("Quillfern")},
                                  Expected{"Comments", {10, 154}, QString()}}) {
        const QLabel* const shown = child<QLabel>(label.name);
        QVERIFY(shown);
        QCOMPARE(shown->parentWidget(), panel);
        QCOMPARE(shown->pos(), label.place);
        if (!label.text.isEmpty())
            QCOMPARE(shown->text(), label.text);
        QCOMPARE(shown->font().pixelSize(), 12);
        QVERIFY(shown->font().bold());
        QCOMPARE(shown->palette().color(QPalette::WindowText), QColor(Qt::black));
    }
    QVERIFY(child<QLabel>("Copyright")->text().contains(QLatin1String("2012")));

    const QPushButton* const ok = child<QPushButton>("OKButton");
    QCOMPARE(ok->geometry(), QRect(117, 216, 76, 24));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QVERIFY(!ok->icon().isNull());
    QVERIFY(ok->font().bold());
}

void TestAbout::logoIsDrawn()
{
    open();
    const QImage picture = child<QFrame>("Panel1")->grab(child<QWidget>("ProgramIcon")->geometry()).toImage();
    const QRgb background = m_form->palette().color(QPalette::Window).rgb();
    int drawn = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != background)
                ++drawn;
        }
    }
    // Most of the picture is the hourglass; its corners show the panel through.
    QVERIFY2(drawn > picture.width() * picture.height() / 3, qPrintable(QString::number(drawn)));
    QCOMPARE(picture.pixel(0, picture.height() / 2), background);
}

HOURGLEN_TEST_MAIN(TestAbout)
#include "tst_About.moc"
