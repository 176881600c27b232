#include "support/CommonFormPlacement.h"

#include "core/ApplicationGlobal.h"
#include "core/DataModuleDebug.h"
#include "support/LibStrng.h"
#include "toolkit/widgets/ErrorReport.h"
#include "toolkit/base/Exception.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScopeGuard>
#include <QScreen>
#include <QWidget>

// The INI text is kept as the file's own bytes (UTF-8); no conversion library is needed. The
// member definitions come from the header itself (only this file includes it).
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

namespace CommonFormPlacement {

namespace {

const char KeyHeight[] = "(TForm)_Height";
const char KeyWidth[] = "(TForm)_Width";
const char KeyLeft[] = "(TForm)_Left";
const char KeyTop[] = "(TForm)_Top";
const char KeyPosition[] = "(TForm)_Position";

const char CentreProperty[] = "PlacementCentreOnShow";
const QLatin1StringView CentreFilterName("CommonFormPlacement.CentreOnShow");

// A placement file is a few hundred bytes; anything far larger is not one of ours.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// Window coordinates are 16-bit signed numbers on X11; nothing beyond them can be shown anyway.
constexpr int CoordinateLimit = 32767;

// The largest size a window reads from the file: the desktop over all screens.
QSize largestSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {CoordinateLimit, CoordinateLimit};
    return screen->virtualSize().boundedTo({CoordinateLimit, CoordinateLimit});
}

QString& programFilePath()
{
    static QString path;
    return path;
}

// A whole number as the placement file holds it: "0x" or "0X" followed by hexadecimal digits, or a
// signed decimal. Anything else, or a number outside the range of int, is not one.
std::optional<int> wholeNumber(const QByteArray& text)
{
    qint64 value = 0;
    qsizetype i = 0;
    bool negative = false;
    int base = 10;
    if (text.size() > 2 && text.at(0) == '0' && (text.at(1) == 'x' || text.at(1) == 'X')) {
        base = 16;
        i = 2;
    } else if (!text.isEmpty() && (text.at(0) == '-' || text.at(0) == '+')) {
        negative = text.at(0) == '-';
        i = 1;
    }
    if (i >= text.size())
        return std::nullopt;
    for (; i < text.size(); ++i) {
        const char c = text.at(i);
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

// One placement file in memory: other sections, keys and comments are kept as they were read.
class IniFile
{
public:
    IniFile() : m_ini(/*isUtf8*/ true, /*multiKey*/ false, /*multiLine*/ false) { m_ini.SetSpaces(false); }

    // Reads the file at path. A missing file reads as an empty one; a file that exists but cannot be
    // read (not a regular file, unreadable, far too large) is an error, so that no write replaces it.
    bool load(const QString& path)
    {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            return true;
        if (!info.isFile() || info.size() > MaxFileSize)
            return false;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray data = file.read(MaxFileSize + 1);
        if (file.error() != QFileDevice::NoError || data.size() > MaxFileSize)
            return false;
        m_signature = data.startsWith("\xEF\xBB\xBF");
        return m_ini.LoadData(data.constData(), size_t(data.size())) >= 0;
    }

    std::optional<int> number(const QByteArray& section, const char* key) const
    {
        const char* value = m_ini.GetValue(section.constData(), key, nullptr);
        if (!value)
            return std::nullopt;
        return wholeNumber(QByteArray(value));
    }

    void setNumber(const QByteArray& section, const char* key, int value)
    {
        if (m_ini.SetValue(section.constData(), key, QByteArray::number(value).constData()) < 0)
            throw Exception(QStringLiteral("The placement could not be kept in memory."));
    }

    // Writes the whole file anew beside the old one and puts it in its place, so that a failed write
    // leaves the old file as it was.
    void save(const QString& path) const
    {
        std::string text;
        if (m_ini.Save(text, m_signature) < 0)
            throw Exception(QStringLiteral("The placement file could not be composed."));
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit())
            throw Exception(file.errorString());
    }

private:
    CSimpleIniA m_ini;
    bool m_signature = false;
};

// Centres its window on the available area of the window's screen when the window is shown with the
// centring flag set, and clears the flag. It runs before the window is mapped, so nothing flickers.
class CentreOnShowFilter final : public QObject
{
public:
    explicit CentreOnShowFilter(QWidget* form) : QObject(form) { setObjectName(CentreFilterName); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == parent()) {
            auto* form = static_cast<QWidget*>(watched);
            if (CentreOnShow(form)) {
                form->setProperty(CentreProperty, false);
                centre(form);
            }
        }
        return false;
    }

private:
    static void centre(QWidget* form)
    {
        const QScreen* screen = form->screen();
        if (!screen)
            return;
        const QRect area = screen->availableGeometry();
        const QRect frame = form->frameGeometry();
        form->move(area.x() + (area.width() - frame.width()) / 2,
                   area.y() + (area.height() - frame.height()) / 2);
    }
};

} // namespace

void SetProgramFilePath(const QString& path)
{
    programFilePath() = path;
}

void SetCentreOnShow(QWidget* form, bool centre)
{
    if (!form)
        return;
    form->setProperty(CentreProperty, centre);
    if (centre && !form->findChild<QObject*>(CentreFilterName, Qt::FindDirectChildrenOnly))
        form->installEventFilter(new CentreOnShowFilter(form)); // owned by form
}

bool CentreOnShow(const QWidget* form)
{
    return form && form->property(CentreProperty).toBool();
}

QString ReturnIniFileNameFullName()
{
    TraceBegin(QStringLiteral("CommonFormPlacement.ReturnIniFileNameFullName"));
    const QString program =
        programFilePath().isEmpty() ? QCoreApplication::applicationFilePath() : programFilePath();
    QString name = program.mid(program.lastIndexOf(u'/') + 1);
    for (QChar& c : name) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    name = LibStrng::ReplaceAllText(name, QStringLiteral(".EXE"), QStringLiteral(".ini"));
    const QString result = ApplicationGlobal::ConfigPath + name;
    DebugLine(QStringLiteral("Result =>") + result + u'<');
    TraceEnd();
    return result;
}

void ReadFormParameters(QWidget* form)
{
    TraceBegin(QStringLiteral("CommonFormPlacement.ReadFormParameters"));
    const auto end = qScopeGuard([] { TraceEnd(); });
    if (!form)
        return;
    const QByteArray section = form->objectName().toUtf8();
    IniFile ini;
    ini.load(ReturnIniFileNameFullName()); // a file that cannot be read holds nothing: defaults apply

    // Each value takes effect as soon as it is read; resize() keeps to the window's own size limits.
    // A window larger than the whole desktop would ask for a buffer of that size (gigabytes and more),
    // and coordinates beyond what window systems hold overflow; such values are brought back to those
    // bounds. Any place within them is kept, on the visible screen or not.
    const QSize largest = largestSize();
    const auto coordinate = [](int value) {
        return std::clamp(value, -CoordinateLimit - 1, CoordinateLimit);
    };
    form->resize(form->width(),
                 std::min(ini.number(section, KeyHeight).value_or(form->height()), largest.height()));
    form->resize(std::min(ini.number(section, KeyWidth).value_or(form->width()), largest.width()),
                 form->height());
    form->move(coordinate(ini.number(section, KeyLeft).value_or(form->x())), form->y());
    form->move(form->x(), coordinate(ini.number(section, KeyTop).value_or(form->y())));
    SetCentreOnShow(form, ini.number(section, KeyPosition).value_or(1) != 0);
}

void WriteFormParameters(QWidget* form)
{
    TraceBegin(QStringLiteral("CommonFormPlacement.WriteFormParameters"));
    const auto end = qScopeGuard([] { TraceEnd(); });
    if (!form)
        return;
    const QByteArray section = form->objectName().toUtf8();
    const QString path = ReturnIniFileNameFullName();
    try {
        IniFile ini;
        if (!ini.load(path))
            throw Exception(QStringLiteral("The placement file cannot be read, so it is not replaced."));
        ini.setNumber(section, KeyHeight, form->height());
        ini.setNumber(section, KeyWidth, form->width());
        ini.setNumber(section, KeyLeft, form->x());
        ini.setNumber(section, KeyTop, form->y());
        ini.setNumber(section, KeyPosition, CentreOnShow(form) ? 1 : 0);
        ini.save(path);
    } catch (const Exception&) {
        ErrorReport::show(QStringLiteral("Error writing to the following configuration file:") +
                              QStringLiteral("\n\r\n\r") + ReturnIniFileNameFullName(),
                          form);
    }
}

} // namespace CommonFormPlacement
