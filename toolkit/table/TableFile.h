#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reads and writes for table files. Both throw Exception with the system's reason.
namespace TableFile {

// The bytes of a regular file. Anything else (a folder, a device such as /dev/zero, a FIFO) is
// refused before a byte is read, so a read never blocks or runs without end.
QByteArray read(const QString& fileName);

// Replaces the file with the bytes: written beside it, synced to disk, renamed over it, and the
// folder synced after the rename, so a failure or a power loss leaves the old file or the new one.
// A failure throws "Cannot create file "NAME". REASON" with the system's reason; a file-size limit
// is reported the same way rather than ending the program.
void write(const QString& fileName, const QByteArray& bytes);

} // namespace TableFile
