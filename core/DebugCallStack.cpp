#include "core/DebugCallStack.h"

#include <algorithm>
#include <numeric>

TCallStack* CallStack = nullptr;

void TCallStack::Hidden()
{
    throw EHiddenProc(QStringLiteral("Error - use only push & pop to access stack"));
}

void TCallStack::Push(const QString& name)
{
    m_items.append(m_current);
    m_objects.append(nullptr);
    m_current = name;
}

void TCallStack::Pop()
{
    if (m_items.isEmpty()) {
        m_current.clear();
        return;
    }
    m_current = m_items.takeLast();
    m_objects.removeLast();
}

void TCallStack::Clear()
{
    m_items.clear();
    m_objects.clear();
    m_current.clear();
}

int TCallStack::Add(const QString&)
{
    Hidden();
}

void TCallStack::AddStrings(const QStringList&)
{
    Hidden();
}

void TCallStack::Insert(int, const QString&)
{
    Hidden();
}

void TCallStack::InsertObject(int, const QString&, const void*)
{
    Hidden();
}

void TCallStack::Delete(int)
{
    Hidden();
}

void TCallStack::Move(int, int)
{
    Hidden();
}

void TCallStack::Exchange(int, int)
{
    Hidden();
}

void TCallStack::SetText(const QString&)
{
    Hidden();
}

void TCallStack::Assign(const TCallStack&)
{
    Hidden();
}

int TCallStack::AddObject(const QString& item, const void* object)
{
    m_items.append(item);
    m_objects.append(object);
    return m_items.size() - 1;
}

void TCallStack::Put(int index, const QString& item)
{
    m_items[index] = item;
}

void TCallStack::PutObject(int index, const void* object)
{
    m_objects[index] = object;
}

void TCallStack::Sort()
{
    QList<int> order(m_items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return m_items[a] < m_items[b]; });
    QStringList items;
    QList<const void*> objects;
    for (int index : order) {
        items.append(m_items[index]);
        objects.append(m_objects[index]);
    }
    m_items = items;
    m_objects = objects;
}

TCallStackInstance::TCallStackInstance()
{
    CallStack = &m_stack;
}

TCallStackInstance::~TCallStackInstance()
{
    CallStack = nullptr;
}
