#ifndef CNFMATRIX_H
#define CNFMATRIX_H

#include <QList>
#include <QScopedPointer>
#include <QSharedPointer>
#include <QString>

#include "CnfMatrixCell.h"
#include "cnf_export.h"

class CnfSignalGroup;
class CnfMatrixPrivate;

// A number per ordered pair of signal groups: intergreen times, or, for the
// conflict matrix, the mere presence of a cell. NaN stands for "no cell".
class CNF_EXPORT CnfMatrix
{
public:
    CnfMatrix();
    ~CnfMatrix();

    int id() const;
    void setId(const int& id);
    QString name() const;
    void setName(const QString& name);

    // The cells in the order they were set.
    const QList<CnfMatrixCell>& content() const;
    bool isEmpty() const;

    // The value of the cell from `off` (losing green) to `on`; NaN when none.
    double releaf(CnfSignalGroup* on, CnfSignalGroup* off) const;
    double releaf(QSharedPointer<CnfSignalGroup> on, QSharedPointer<CnfSignalGroup> off) const;
    // Sets the pair's cell; NaN removes it. A null group is refused with a
    // diagnostic.
    void setReleaf(CnfSignalGroup* on, CnfSignalGroup* off, double value);
    void setReleaf(QSharedPointer<CnfSignalGroup> on, QSharedPointer<CnfSignalGroup> off, double value);
    // Makes room for `cells` cells, so that setting that many grows nothing.
    void reserve(int cells);

    // Removes every cell that names the group.
    void removeSG(QSharedPointer<CnfSignalGroup> sg);
    // Removes every cell; id and name stay.
    void clear();
    // Becomes a copy of `source`: cells, id and name; empty for null.
    void clone(QSharedPointer<CnfMatrix> source);

private:
    Q_DISABLE_COPY(CnfMatrix)
    QScopedPointer<CnfMatrixPrivate> d;
};

#endif
