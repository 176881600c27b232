#pragma once

class QWidget;

// Grid kinds that AlterGridWidth knows.
enum TGridKind
{
    gkStandard = 0,    // a plain table view (the standard data grid)
    gkTitleButtons = 1 // a DBGrid (the data grid with title buttons)
};

// Sizes a grid once (its Tag 0 becomes 1) so that its columns fit without a horizontal scroll bar,
// and centres it in ParentWidth when CenterInParent is true. BorderAllowance is used by grid kind 0
// only: the grid's outer height minus its client height when no horizontal scroll bar shows.
// A grid that is not of the kind named is refused with an Exception before anything changes; any
// other kind does nothing.
void AlterGridWidth(QWidget* Grid, int BorderAllowance, bool CenterInParent, int ParentWidth, int GridKind);
