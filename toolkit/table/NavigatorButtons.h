#pragma once

#include <QFlags>

class DataSource;

// The buttons of a data navigator.
enum NavigateButton : unsigned
{
    nbFirst = 0x001,
    nbPrior = 0x002,
    nbNext = 0x004,
    nbLast = 0x008,
    nbInsert = 0x010,
    nbDelete = 0x020,
    nbEdit = 0x040,
    nbPost = 0x080,
    nbCancel = 0x100,
    nbRefresh = 0x200
};
Q_DECLARE_FLAGS(NavigateButtons, NavigateButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(NavigateButtons)

// What a navigator offers to code that decides which of its buttons are shown.
class NavigatorControl
{
public:
    virtual ~NavigatorControl() = default;

    // The data source the navigator works on; null when it is bound to none.
    virtual DataSource* dataSource() const = 0;
    virtual NavigateButtons visibleButtons() const = 0;
    virtual void setVisibleButtons(NavigateButtons buttons) = 0;
};
