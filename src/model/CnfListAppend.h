#ifndef CNFLISTAPPEND_H
#define CNFLISTAPPEND_H

#include <QList>
#include <QSharedPointer>

// Appends `item` to `list` by taking it over: a QList of shared pointers only
// copies on append, and every copy of a shared pointer costs atomic counts
// up and, when the original goes, down again.
template<typename T>
void cnfAppendTaken(QList<QSharedPointer<T>>& list, QSharedPointer<T>&& item)
{
    list.append(QSharedPointer<T>());
    list.last().swap(item);
}

#endif
