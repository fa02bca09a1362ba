#ifndef LISTEDELEMENTS_H
#define LISTEDELEMENTS_H

#include <QList>
#include <QSharedPointer>

#include <algorithm>
#include <functional>
#include <vector>

// Whether an element is one of those a controller's list holds, by its
// address. The writers ask this for nearly every reference they write; the
// addresses, sorted in one small block, answer with a binary search that
// stays in the cache, where a look-up by id would visit the element, its id
// and a hash node scattered over a large model. Taken once, while the list
// does not change.
template<typename T>
class ListedElements
{
public:
    ListedElements() = default;

    explicit ListedElements(const QList<QSharedPointer<T>>& list)
    {
        m_addresses.reserve(size_t(list.size()));
        for (const auto& element : list)
            m_addresses.push_back(element.data());
        std::sort(m_addresses.begin(), m_addresses.end(), std::less<const T*>());
    }

    bool contains(const T* element) const
    {
        return element && std::binary_search(m_addresses.cbegin(), m_addresses.cend(), element, std::less<const T*>());
    }

private:
    std::vector<const T*> m_addresses;
};

#endif
