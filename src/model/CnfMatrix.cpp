#include "CnfMatrix.h"

#include "CnfLogging.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "CnfSignalGroup.h"

class CnfMatrixPrivate
{
public:
    // Position of the cell for the pair, searched from the last cell so that
    // a later duplicate wins; -1 when there is none.
    int indexOf(const CnfSignalGroup* on, const CnfSignalGroup* off) const
    {
        for (int i = cells.size() - 1; i >= 0; --i) {
            const CnfMatrixCell& cell = cells.at(i);
            if (cell.onGroup == on && cell.offGroup == off)
                return i;
        }
        return -1;
    }

    int id = 0;
    QString name;
    QList<CnfMatrixCell> cells;
};

CnfMatrix::CnfMatrix()
    : d(new CnfMatrixPrivate)
{
}

CnfMatrix::~CnfMatrix() = default;

int CnfMatrix::id() const
{
    return d->id;
}

void CnfMatrix::setId(const int& id)
{
    d->id = id;
}

QString CnfMatrix::name() const
{
    return d->name;
}

void CnfMatrix::setName(const QString& name)
{
    d->name = name;
}

const QList<CnfMatrixCell>& CnfMatrix::content() const
{
    return d->cells;
}

bool CnfMatrix::isEmpty() const
{
    return d->cells.isEmpty();
}

double CnfMatrix::releaf(CnfSignalGroup* on, CnfSignalGroup* off) const
{
    const int index = d->indexOf(on, off);
    return index < 0 ? std::numeric_limits<double>::quiet_NaN() : d->cells.at(index).value;
}

double CnfMatrix::releaf(QSharedPointer<CnfSignalGroup> on, QSharedPointer<CnfSignalGroup> off) const
{
    return releaf(on.data(), off.data());
}

void CnfMatrix::setReleaf(CnfSignalGroup* on, CnfSignalGroup* off, double value)
{
    if (!on || !off) {
        qCWarning(lcCnfModel, "CnfMatrix::setReleaf(%p,%p)", static_cast<void*>(on), static_cast<void*>(off));
        return;
    }
    // NaN is "no cell": it removes the pair's cell.
    const int index = d->indexOf(on, off);
    if (index >= 0) {
        if (std::isnan(value))
            d->cells.removeAt(index);
        else
            d->cells[index].value = value;
    } else if (!std::isnan(value)) {
        d->cells.append(CnfMatrixCell{on, off, value});
    }
}

void CnfMatrix::setReleaf(QSharedPointer<CnfSignalGroup> on, QSharedPointer<CnfSignalGroup> off, double value)
{
    setReleaf(on.data(), off.data(), value);
}

void CnfMatrix::removeSG(QSharedPointer<CnfSignalGroup> sg)
{
    const CnfSignalGroup* group = sg.data();
    if (!group)
        return;
    // Only the addresses are compared: the group may already be on its way out.
    auto& cells = d->cells;
    cells.erase(std::remove_if(cells.begin(), cells.end(),
                               [group](const CnfMatrixCell& cell) {
                                   return cell.onGroup == group || cell.offGroup == group;
                               }),
                cells.end());
}

void CnfMatrix::clear()
{
    d->cells.clear();
}

void CnfMatrix::clone(QSharedPointer<CnfMatrix> source)
{
    if (source.data() == this)
        return; // a copy of itself: clearing first would lose the cells
    clear();
    if (!source)
        return;
    d->cells = source->d->cells;
    d->name = source->d->name;
    d->id = source->d->id;
}
