#pragma once

#include "toolkit/table/NavigatorButtons.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include "toolkit/table/DataSource.h"
class QToolButton;

// A data navigator with the buttons Insert, Delete, Edit, Post and Cancel (object names nbInsert,
// ...); which of them show is set from outside (NavigatorControl). Delete asks first. An error of
// the table (a post refused by a rule) is reported and leaves the table as it is.
class DBNavigator final : public QWidget, public NavigatorControl
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBNavigator)

public:
    explicit DBNavigator(QWidget* parent = nullptr);

    DataSource* dataSource() const override { return m_source; }
    void setDataSource(DataSource* source);
    NavigateButtons visibleButtons() const override { return m_visible; }
    void setVisibleButtons(NavigateButtons buttons) override;
    // Whether the delete asks "Delete record?" first (on by default).
    bool confirmDelete() const { return m_confirmDelete; }
    void setConfirmDelete(bool confirm) { m_confirmDelete = confirm; }

    QToolButton* button(NavigateButton which) const { return m_buttons.value(which); }
    // Does what the button does, as a click on it.
    void btnClick(NavigateButton which);

signals:
    void clicked(NavigateButton which);

private:
    void updateEnabled();

    QPointer<DataSource> m_source;
    QHash<NavigateButton, QToolButton*> m_buttons;
    NavigateButtons m_visible;
    bool m_confirmDelete = true;
};
