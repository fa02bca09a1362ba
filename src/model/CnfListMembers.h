#ifndef CNFLISTMEMBERS_H
#define CNFLISTMEMBERS_H

#include <QList>
#include <QSet>
#include <QSharedPointer>

// Whether an element (the object itself) is in one of the controller's lists,
// answered from a set beside the list; kept like CnfListIndex.
template<typename T>
class CnfListMembers
{
public:
    bool contains(const QList<QSharedPointer<T>>& list, const QSharedPointer<T>& item)
    {
        if (!m_built) {
            m_members.reserve(list.size());
            for (const auto& member : list)
                m_members.insert(member.data());
            m_built = true;
        }
        return m_members.contains(item.data());
    }

    void appended(const QSharedPointer<T>& item)
    {
        if (m_built)
            m_members.insert(item.data());
    }

    void reset()
    {
        m_members = QSet<const T*>();
        m_built = false;
    }

private:
    bool m_built = false;
    QSet<const T*> m_members;
};

#endif
