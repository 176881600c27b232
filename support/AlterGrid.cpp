#include "support/AlterGrid.h"

#include "core/DataModuleDebug.h"
#include "toolkit/base/Exception.h"
#include "toolkit/widgets/DBGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVariant>

#include <algorithm>

namespace {

// The widest a plain grid is made when its allowance never matches its frame.
constexpr int MaxGridWidth = 16384;

[[noreturn]] void InvalidTypecast()
{
    throw Exception(QStringLiteral("Invalid class typecast"));
}

void CenterGrid(QWidget& grid, bool CenterInParent, int ParentWidth)
{
    if (CenterInParent)
        grid.move((ParentWidth - grid.width()) / 2, grid.y()); // truncated toward zero
}

void FitStandardGrid(QTableView& grid, int BorderAllowance, bool CenterInParent, int ParentWidth)
{
    if (grid.property("Tag").toInt() != 0 || !grid.isVisible())
        return;
    grid.setProperty("Tag", 1);
    if (grid.frameShape() == QFrame::NoFrame)
        BorderAllowance = 0;
    // The client height is the height inside the frame without the horizontal scroll bar; widening
    // stops when the bar has gone, and in any case at the parent's width (or a sane maximum), so
    // an allowance that never matches the frame cannot make the loop endless.
    const auto clientHeight = [&grid] {
        const QScrollBar* bar = grid.horizontalScrollBar();
        return grid.height() - 2 * grid.frameWidth() - (bar && bar->isVisible() ? bar->height() : 0);
    };
    const int limit = std::min(MaxGridWidth, std::max(ParentWidth, grid.width()));
    while (clientHeight() + BorderAllowance != grid.height() && grid.width() < limit)
        grid.resize(grid.width() + 1, grid.height());
    grid.resize(grid.width() + 2, grid.height());
    CenterGrid(grid, CenterInParent, ParentWidth);
}

void FitTitleButtonGrid(DBGrid& grid, bool CenterInParent, int ParentWidth)
{
    if (grid.Tag != 0)
        return;
    grid.Tag = 1;
    // The frame with the vertical scroll bar hidden (a) and shown (b); taken from the style, so a
    // grid that is not shown yet is fitted the same.
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int a = 2 * grid.frameWidth();
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const int bar = grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid.verticalScrollBar());
    const int b = 2 * grid.frameWidth() + bar;
    int width = a == b ? b + 4 : a + b;
    width += grid.indicatorWidth();
    const int fields = grid.fieldCount();
    for (int column = 0; column < fields; ++column)
        width += grid.columnWidth(column);
    if (fields > 1)
        width += fields; // one pixel for each column line
    grid.resize(width, grid.height());
    CenterGrid(grid, CenterInParent, ParentWidth);
}

} // namespace

void AlterGridWidth(QWidget* Grid, int BorderAllowance, bool CenterInParent, int ParentWidth, int GridKind)
{
    TraceBegin(QStringLiteral("AlterGridWidth ") + (Grid ? Grid->objectName() : QString()));
    switch (GridKind) {
    case gkStandard: {
        auto* grid = qobject_cast<QTableView*>(Grid);
        if (!grid || qobject_cast<DBGrid*>(Grid))
            InvalidTypecast();
        FitStandardGrid(*grid, BorderAllowance, CenterInParent, ParentWidth);
        break;
    }
    case gkTitleButtons: {
        auto* grid = qobject_cast<DBGrid*>(Grid);
        if (!grid)
            InvalidTypecast();
        FitTitleButtonGrid(*grid, CenterInParent, ParentWidth);
        break;
    }
    default:
        break;
    }
    TraceEnd();
}
