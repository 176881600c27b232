#pragma once

#include "toolkit/widgets/FieldDataLink.h"

#include <QCheckBox>

class DataSource;

// A check box bound to a text field: ticked stores valueChecked ("1"), clear valueUnchecked ("0");
// any other value shows as neither. A click while the table browses first starts an edit, then
// changes the field.
class DBCheckBox final : public QCheckBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBCheckBox)

public:
    explicit DBCheckBox(QWidget* parent = nullptr);

    DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataSource(DataSource* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.fieldName(); }
    void setDataField(const QString& name) { m_link.setFieldName(name); }
    QString valueChecked() const { return m_valueChecked; }
    void setValueChecked(const QString& value) { m_valueChecked = value; }
    QString valueUnchecked() const { return m_valueUnchecked; }
    void setValueUnchecked(const QString& value) { m_valueUnchecked = value; }

signals:
    // The box shows another state: the user clicked it, or it shows another row or a new value.
    void changed();

protected:
    void nextCheckState() override;

private:
    void showValue();

    FieldDataLink m_link;
    QString m_valueChecked = QStringLiteral("1");
    QString m_valueUnchecked = QStringLiteral("0");
};
