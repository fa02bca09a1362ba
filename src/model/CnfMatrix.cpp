#include "CnfMatrix.h"

#include "CnfLogging.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "CnfSignalGroup.h"

namespace {

// The pair of groups of a cell, as the key of the index of a matrix.
struct Pair {
    Pair(const CnfSignalGroup* on, const CnfSignalGroup* off)
        : on(on)
        , off(off)
    {
    }

    const CnfSignalGroup* on;
    const CnfSignalGroup* off;
};

// Groups lie at regular distances in memory: their addresses are mixed well,
// so that neighbouring pairs do not crowd into a few slots of the index. The
// low half picks the slot, the high half is the pair's tag in it.
quint64 pairHash(const Pair& pair)
{
    quint64 h = quint64(quintptr(pair.on)) * 0x9E3779B97F4A7C15ULL ^ quint64(quintptr(pair.off));
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 29;
    return h;
}

} // namespace

class CnfMatrixPrivate
{
public:

    // Position of the cell for the pair, the last one should there be two
    // (a later duplicate wins); -1 when there is none. A large matrix answers
    // from its index of positions.
    int indexOf(const CnfSignalGroup* on, const CnfSignalGroup* off) const
    {
        if (indexed) {
            const size_t mask = positions.size() - 1;
            // Ends at an empty slot: the table is never full.
            const quint64 hash = pairHash(Pair(on, off));
            for (size_t i = size_t(uint(hash)) & mask;; i = (i + 1) & mask) {
                const Slot& slot = positions[i];
                if (slot.position < 0)
                    return -1;
                if (slot.tag == uint(hash >> 32) && isPair(slot.position, on, off))
                    return slot.position;
            }
        }
        for (int i = cells.size() - 1; i >= 0; --i) {
            const CnfMatrixCell& cell = cells.at(i);
            if (cell.onGroup == on && cell.offGroup == off)
                return i;
        }
        return -1;
    }

    void append(const CnfMatrixCell& cell)
    {
        cells.append(cell);
        if (indexed && 4 * size_t(cells.size()) <= 3 * positions.size())
            indexPosition(cells.size() - 1);
        else if (cells.size() >= IndexedSize)
            reindex();
    }

    // After cells moved or went. The index is kept up to date eagerly, so
    // that look-ups, which are const, never change the matrix.
    void reindex()
    {
        indexed = cells.size() >= IndexedSize;
        if (!indexed) {
            std::vector<Slot>().swap(positions);
            return;
        }
        rebuildIndex(indexSize(cells.size()));
    }

    // Makes room for `count` cells. A matrix that will be large gets its
    // index at once, so that its cells are never walked nor indexed twice
    // while it fills up.
    void reserve(int count)
    {
        cells.reserve(count);
        if (count < IndexedSize || (indexed && positions.size() >= indexSize(count)))
            return;
        indexed = true;
        rebuildIndex(indexSize(count));
    }

    // Below this many cells a walk is cheaper than an index.
    static constexpr int IndexedSize = 32;

    int id = 0;
    QString name;
    QList<CnfMatrixCell> cells;
    // A slot of the index: the cell's position and the tag of its pair, so
    // that a probe goes to a cell, which in a large matrix is rarely in the
    // cache, only when the tags agree.
    struct Slot {
        int position = -1;
        uint tag = 0;
    };

    // The index: positions of cells in an open-addressed table (linear
    // probing, a power of two in size, at most three quarters full, -1 for
    // an empty slot), one block for the whole matrix.
    std::vector<Slot> positions;
    bool indexed = false;

private:
    // The size of an index that holds `count` cells at most three quarters full.
    static size_t indexSize(int count)
    {
        size_t size = 2 * IndexedSize;
        while (4 * size_t(count) > 3 * size)
            size *= 2;
        return size;
    }

    void rebuildIndex(size_t size)
    {
        positions.assign(size, Slot());
        for (int i = 0; i < cells.size(); ++i)
            indexPosition(i);
    }

    // Enters the cell at `position`; the pair's slot, if it has one, takes
    // the later position.
    void indexPosition(int position)
    {
        const CnfMatrixCell& cell = cells.at(position);
        const size_t mask = positions.size() - 1;
        const quint64 hash = pairHash(Pair(cell.onGroup, cell.offGroup));
        for (size_t i = size_t(uint(hash)) & mask;; i = (i + 1) & mask) {
            Slot& slot = positions[i];
            if (slot.position >= 0
                && (slot.tag != uint(hash >> 32) || !isPair(slot.position, cell.onGroup, cell.offGroup)))
                continue;
            slot = {position, uint(hash >> 32)};
            return;
        }
    }

    bool isPair(int position, const CnfSignalGroup* on, const CnfSignalGroup* off) const
    {
        const CnfMatrixCell& cell = cells.at(position);
        return cell.onGroup == on && cell.offGroup == off;
    }
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
        if (std::isnan(value)) {
            d->cells.removeAt(index);
            d->reindex();
        } else {
            d->cells[index].value = value;
        }
    } else if (!std::isnan(value)) {
        d->append(CnfMatrixCell{on, off, value});
    }
}

void CnfMatrix::setReleaf(QSharedPointer<CnfSignalGroup> on, QSharedPointer<CnfSignalGroup> off, double value)
{
    setReleaf(on.data(), off.data(), value);
}

void CnfMatrix::reserve(int cells)
{
    d->reserve(cells);
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
    d->reindex();
}

void CnfMatrix::clear()
{
    d->cells.clear();
    d->reindex();
}

void CnfMatrix::clone(QSharedPointer<CnfMatrix> source)
{
    if (source.data() == this)
        return; // a copy of itself: clearing first would lose the cells
    clear();
    if (!source)
        return;
    d->cells = source->d->cells;
    d->reindex();
    d->name = source->d->name;
    d->id = source->d->id;
}
