#ifndef CNFLISTINDEX_H
#define CNFLISTINDEX_H

#include <QHash>
#include <QList>
#include <QSharedPointer>

// Look-ups by key over one of the controller's lists, answered from a hash
// beside the list: the same element a walk over the list would find, the
// first or the last of equal keys. Built on first use, kept up to date by
// appends; whatever else changes the list must reset it.
template<typename T, typename Key>
class CnfListIndex
{
public:
    enum Match { First, Last };
    using KeyOf = Key (*)(const T&);

    CnfListIndex(KeyOf keyOf, Match match)
        : m_keyOf(keyOf)
        , m_match(match)
    {
    }

    QSharedPointer<T> find(const QList<QSharedPointer<T>>& list, const Key& key)
    {
        if (!m_built) {
            m_items.reserve(list.size());
            for (const auto& item : list)
                put(item);
            m_built = true;
        }
        return m_items.value(key);
    }

    void appended(const QSharedPointer<T>& item)
    {
        if (m_built)
            put(item);
    }

    void reset()
    {
        m_items = QHash<Key, QSharedPointer<T>>();
        m_built = false;
    }

private:
    void put(const QSharedPointer<T>& item)
    {
        const Key key = m_keyOf(*item);
        if (m_match == Last || !m_items.contains(key))
            m_items.insert(key, item);
    }

    KeyOf m_keyOf;
    Match m_match;
    bool m_built = false;
    QHash<Key, QSharedPointer<T>> m_items;
};

#endif
