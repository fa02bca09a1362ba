#ifndef LISTEDELEMENTS_H
#define LISTEDELEMENTS_H

#include <QList>
#include <QSharedPointer>

#include "CnfAddressSet.h"

// Whether an element is one of those a controller's list holds, by its
// address. The writers ask this for nearly every reference they write; a
// flat table of addresses answers without visiting the element, its id and
// a hash node scattered over a large model, as a look-up by id would. Taken
// once, while the list does not change.
template<typename T>
class ListedElements
{
public:
    ListedElements() = default;

    explicit ListedElements(const QList<QSharedPointer<T>>& list)
    {
        m_addresses.reserve(list.size());
        for (const auto& element : list)
            m_addresses.insert(element.data());
    }

    bool contains(const T* element) const { return m_addresses.contains(element); }

private:
    CnfAddressSet m_addresses;
};

#endif
