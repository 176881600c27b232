#pragma once

// The real packets written by other programs. They live beside the project (../shared/datapackets),
// not in it: where that folder is missing (a fresh clone on its own), the tests that read them skip.

#include <QFileInfo>
#include <QString>
#include <QTest>

namespace SharedPackets {

inline QString folder()
{
    return QStringLiteral(HOURGLEN_SHARED_DATAPACKETS);
}

inline bool available()
{
    return QFileInfo(folder()).isDir();
}

inline QString file(const char* name)
{
    return folder() + u'/' + QString::fromLatin1(name);
}

} // namespace SharedPackets

// Skips the current test function when the shared packets are not beside the project.
#define HOURGLEN_SKIP_WITHOUT_SHARED_PACKETS()                                                               \
    do {                                                                                                     \
        if (!SharedPackets::available())                                                                     \
            QSKIP(qPrintable(QStringLiteral("the packets of other programs are not beside the project (") +  \
                             SharedPackets::folder() + QStringLiteral("); skipped")));                       \
    } while (false)
