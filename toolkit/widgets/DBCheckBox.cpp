#include "toolkit/widgets/DBCheckBox.h"

#include "toolkit/widgets/ErrorReport.h"

DBCheckBox::DBCheckBox(QWidget* parent) : QCheckBox(parent), m_link(this)
{
    setTristate(false);
    m_link.onShow = [this] { showValue(); };
    connect(this, &QCheckBox::stateChanged, this, [this] { emit changed(); });
    showValue();
}

void DBCheckBox::showValue()
{
    const QVariant value = m_link.value();
    const QString text = value.isValid() ? value.toString() : QString();
    Qt::CheckState shown = Qt::PartiallyChecked;
    if (!m_link.field() || text == m_valueUnchecked)
        shown = Qt::Unchecked;
    else if (text == m_valueChecked)
        shown = Qt::Checked;
    setCheckState(shown);
}

void DBCheckBox::nextCheckState()
{
    // The edit starts before the box changes; the box then shows what the field holds.
    if (!m_link.edit())
        return;
    const QString next = checkState() == Qt::Checked ? m_valueUnchecked : m_valueChecked;
    ErrorReport::guard([&] { m_link.write(next); }, this);
    showValue();
}
