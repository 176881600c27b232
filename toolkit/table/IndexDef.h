#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

// A named ordering of a client table's rows by one or more fields.
struct IndexDef
{
    enum Option
    {
        Primary = 0x1,
        Descending = 0x2,     // every field of the index, highest first; null rows last
        CaseInsensitive = 0x4 // text compares without regard to letter case
    };
    Q_DECLARE_FLAGS(Options, Option)

    // How text fields compare: by character codes, or by the rules of the current locale.
    enum class TextOrder
    {
        Ordinal,
        Locale
    };

    QString name;
    QStringList fields; // field names, compared without regard to case
    Options options;
    TextOrder textOrder = TextOrder::Ordinal;

    bool descending() const { return options.testFlag(Descending); }
    friend bool operator==(const IndexDef&, const IndexDef&) = default;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(IndexDef::Options)
