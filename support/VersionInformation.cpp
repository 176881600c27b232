#include "support/VersionInformation.h"

#include "core/DataModuleDebug.h"
#include "platform/VersionBlock.h"

namespace VersionInformation {

TVersionValues Values;

void Clear()
{
    Values = TVersionValues();
}

QString StringTablePrefix(quint32 translation)
{
    const QString language =
        QStringLiteral("%1").arg(translation & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
    const QString codePage = QStringLiteral("%1").arg(translation >> 16, 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("\\StringFileInfo\\") + language + codePage + u'\\';
}

void FileVersionInformation(const QString& fileName)
{
    TraceBegin(QStringLiteral("VERSIONINFORMATION.FileVersionInformation"));
    Clear();
    if (const std::optional<QByteArray> block = VersionBlock::readFile(fileName)) {
        if (const std::optional<QList<quint32>> translations = VersionBlock::queryTranslations(*block)) {
            const QString prefix = StringTablePrefix(translations->first());
            const std::pair<const char*, QString*> keys[] = {
                {"CompanyName", &Values.CompanyName},           {"FileDescription", &Values.FileDescription},
                {"FileVersion", &Values.FileVersion},           {"InternalName", &Values.InternalName},
                {"LegalCopyright", &Values.LegalCopyright},     {"LegalTrademarks", &Values.LegalTrademarks},
                {"OriginalFilename", &Values.OriginalFilename}, {"ProductName", &Values.ProductName},
                {"ProductVersion", &Values.ProductVersion},     {"Comments", &Values.Comments},
            };
            for (const auto& [key, value] : keys) {
                if (const std::optional<QString> text =
                        VersionBlock::queryString(*block, prefix + QLatin1String(key)))
                    *value = *text;
            }
        }
        if (const std::optional<VersionBlock::FixedFileInfo> fixed =
                VersionBlock::queryFixedFileInfo(*block)) {
            const quint32 flags = fixed->fileFlags; // unmasked: the mask is not applied
            Values.DebugFlag = flags & 0x01;
            Values.PreReleaseFlag = flags & 0x02;
            Values.PatchedFlag = flags & 0x04;
            Values.PrivateBuildFlag = flags & 0x08;
            Values.InfoInferredFlag = flags & 0x10;
            Values.SpecialBuildFlag = flags & 0x20;
        }
    }
    TraceEnd();
}

} // namespace VersionInformation
