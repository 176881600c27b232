#pragma once

#include <QString>

// The version values: ten strings and six file flags, one program-wide set, overwritten
// by every call of FileVersionInformation. Read and written on the user-interface thread only.
struct TVersionValues
{
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFilename;
    QString ProductName;
    QString ProductVersion;
    QString Comments;

    bool DebugFlag = false;        // VS_FF_DEBUG 0x01
    bool PreReleaseFlag = false;   // VS_FF_PRERELEASE 0x02
    bool PatchedFlag = false;      // VS_FF_PATCHED 0x04
    bool PrivateBuildFlag = false; // VS_FF_PRIVATEBUILD 0x08
    bool InfoInferredFlag = false; // VS_FF_INFOINFERRED 0x10
    bool SpecialBuildFlag = false; // VS_FF_SPECIALBUILD 0x20

    friend bool operator==(const TVersionValues&, const TVersionValues&) = default;
};

namespace VersionInformation {

// The program-wide version values; all empty and false until the first call.
extern TVersionValues Values;

// Fills Values from the version-information block of the file; a file without one (or a file that
// cannot be read) leaves every string empty and every flag false. Traced as
// "VERSIONINFORMATION.FileVersionInformation".
void FileVersionInformation(const QString& fileName);

// "\\StringFileInfo\\" + language and code page as four upper-case hexadecimal digits each + "\\".
QString StringTablePrefix(quint32 translation);

// Empties every string and clears every flag (program end).
void Clear();

} // namespace VersionInformation
