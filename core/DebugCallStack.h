#pragma once

#include "toolkit/base/Exception.h"

#include <QList>
#include <QString>
#include <QStringList>

// Raised by every list operation of the call stack other than push and pop.
class EHiddenProc : public Exception
{
public:
    using Exception::Exception;
};

// The stack of the names of the open trace blocks. It looks like a string list, but only Push and
// Pop may change it; the list's own editing operations raise EHiddenProc and change nothing.
// Not thread-safe by itself: the trace log serialises every use.
class TCallStack
{
public:
    void Push(const QString& name);
    void Pop();
    void Clear();
    const QString& Current() const { return m_current; }

    int Count() const { return m_items.size(); }
    const QString& Strings(int index) const { return m_items.at(index); }
    const void* Objects(int index) const { return m_objects.at(index); }
    QStringList Items() const { return m_items; }

    // Blocked: they raise EHiddenProc.
    int Add(const QString& item);
    void AddStrings(const QStringList& items);
    void Insert(int index, const QString& item);
    void InsertObject(int index, const QString& item, const void* object);
    void Delete(int index);
    void Move(int from, int to);
    void Exchange(int first, int second);
    void SetText(const QString& text);
    void Assign(const TCallStack& other);

    // Not blocked; the program does not use them.
    int AddObject(const QString& item, const void* object);
    void Put(int index, const QString& item);
    void PutObject(int index, const void* object);
    void Sort();

private:
    [[noreturn]] static void Hidden();

    QStringList m_items;
    QList<const void*> m_objects;
    QString m_current;
};

// The program's one call stack, reached through this reference while it exists.
extern TCallStack* CallStack;

// Creates the program's call stack for its lifetime (program initialisation to finalisation).
class TCallStackInstance
{
public:
    TCallStackInstance();
    ~TCallStackInstance();
    Q_DISABLE_COPY_MOVE(TCallStackInstance)

private:
    TCallStack m_stack;
};
