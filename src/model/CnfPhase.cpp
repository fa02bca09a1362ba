#include "CnfPhase.h"

#include <algorithm>

#include "CnfTransition.h"

bool CnfPhase::contains(const int& sgId) const
{
    for (auto it = signalGroups.crbegin(); it != signalGroups.crend(); ++it) {
        if (*it && (*it)->id == sgId)
            return true;
    }
    return false;
}

QSharedPointer<CnfTransition> CnfPhase::findTransition(const QString& fromId) const
{
    // From the end, so that the transition added last wins.
    for (auto it = transitions.crbegin(); it != transitions.crend(); ++it) {
        if (*it && (*it)->from == fromId)
            return *it;
    }
    return {};
}

QString CnfPhase::friendlyName() const
{
    QString text = id;
    if (!name.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QLatin1Char('(') + name + QLatin1Char(')');
    }
    return text;
}

CnfSignalGroup::SGState CnfPhase::getSGState(const QSharedPointer<CnfPhase>& from, const int& sgId) const
{
    const bool here = contains(sgId);
    const bool there = from && from->contains(sgId);
    if (here)
        return there ? CnfSignalGroup::StayGreen : CnfSignalGroup::Entering;
    return there ? CnfSignalGroup::Clearing : CnfSignalGroup::StayRed;
}

int CnfPhase::phaseInterstate(const QSharedPointer<CnfPhase>& from) const
{
    if (!from)
        return -1;
    if (from->id == id)
        return 0;
    const QSharedPointer<CnfTransition> transition = findTransition(from->id);
    if (!transition)
        return -1;

    // The groups of the phase left, then those of this phase not yet listed.
    QList<QSharedPointer<CnfSignalGroup>> groups = from->signalGroups;
    for (const QSharedPointer<CnfSignalGroup>& group : signalGroups) {
        if (!groups.contains(group))
            groups.append(group);
    }

    int result = 0;
    for (const QSharedPointer<CnfSignalGroup>& group : qAsConst(groups)) {
        if (!group)
            continue;
        const int sg = group->id;
        switch (getSGState(from, sg)) {
        case CnfSignalGroup::Entering:
            result = std::max(result, transition->entering.value(sg, 0));
            break;
        case CnfSignalGroup::Clearing:
            result = std::max(result, transition->clearing.value(sg, 0) + group->yellow(1)
                                          + transition->addRed.value(sg, 0));
            break;
        case CnfSignalGroup::StayGreen:
        case CnfSignalGroup::StayRed:
            break;
        }
    }
    return result;
}
