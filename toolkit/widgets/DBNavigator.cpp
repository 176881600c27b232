#include "toolkit/widgets/DBNavigator.h"

#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataSource.h"
#include "toolkit/widgets/ErrorReport.h"
#include "toolkit/widgets/MessageBox.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QToolButton>

namespace {

struct ButtonText
{
    NavigateButton which;
    const char* name;
    const char16_t* glyph;
    const char* hint;
};

const ButtonText Buttons[] = {
    {nbInsert, "nbInsert", u"+", QT_TRANSLATE_NOOP("DBNavigator", "Insert record")},
    {nbDelete, "nbDelete", u"\u2212", QT_TRANSLATE_NOOP("DBNavigator", "Delete record")},
    {nbEdit, "nbEdit", u"\u25B2", QT_TRANSLATE_NOOP("DBNavigator", "Edit record")},
    {nbPost, "nbPost", u"\u2714", QT_TRANSLATE_NOOP("DBNavigator", "Post edit")},
    {nbCancel, "nbCancel", u"\u2716", QT_TRANSLATE_NOOP("DBNavigator", "Cancel edit")},
};

} // namespace

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const ButtonText& text : Buttons) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(text.name));
        button->setText(QString::fromUtf16(text.glyph));
        button->setToolTip(tr(text.hint));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus); // the focus stays on the control to correct
        layout->addWidget(button);
        const NavigateButton which = text.which;
        connect(button, &QToolButton::clicked, this, [this, which] { btnClick(which); });
        m_buttons.insert(which, button);
    }
    setVisibleButtons(nbInsert | nbDelete | nbEdit | nbPost | nbCancel);
}

void DBNavigator::setDataSource(DataSource* source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &DataSource::stateChanged, this, &DBNavigator::updateEnabled);
        connect(m_source, &DataSource::dataSetChanged, this, &DBNavigator::updateEnabled);
        connect(m_source, &DataSource::rowChanged, this, &DBNavigator::updateEnabled);
    }
    updateEnabled();
}

void DBNavigator::setVisibleButtons(NavigateButtons buttons)
{
    m_visible = buttons;
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setVisible(buttons.testFlag(it.key()));
}

void DBNavigator::updateEnabled()
{
    const ClientTable* const table = m_source ? m_source->dataSet() : nullptr;
    const TableState state = m_source ? m_source->state() : TableState::Inactive;
    const bool open = state != TableState::Inactive;
    const bool editing = state == TableState::Edit || state == TableState::Insert;
    const bool hasRows = table && !table->isEmpty();
    m_buttons.value(nbInsert)->setEnabled(open && !editing);
    m_buttons.value(nbDelete)->setEnabled(open && !editing && hasRows);
    m_buttons.value(nbEdit)->setEnabled(open && !editing);
    m_buttons.value(nbPost)->setEnabled(editing);
    m_buttons.value(nbCancel)->setEnabled(editing);
}

void DBNavigator::btnClick(NavigateButton which)
{
    ClientTable* const table = m_source ? m_source->dataSet() : nullptr;
    if (!table)
        return;
    ErrorReport::guard(
        [&] {
            switch (which) {
            case nbInsert:
                table->insert();
                break;
            case nbDelete:
                if (m_confirmDelete &&
                    MessageBox::question(window(), QCoreApplication::applicationName(), tr("Delete record?"),
                                         QMessageBox::Ok | QMessageBox::Cancel,
                                         QMessageBox::Cancel) != QMessageBox::Ok)
                    return;
                table->deleteRecord();
                break;
            case nbEdit:
                table->edit();
                break;
            case nbPost:
                table->post();
                break;
            case nbCancel:
                table->cancel();
                break;
            default:
                break;
            }
        },
        window());
    emit clicked(which);
}
