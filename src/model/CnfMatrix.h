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

    const QList<CnfMatrixCell>& content() const;
    bool isEmpty() const;

    double releaf(CnfSignalGroup* on, CnfSignalGroup* off) const;
    double releaf(QSharedPointer<CnfSignalGroup> on, QSharedPointer<CnfSignalGroup> off) const;
    void setReleaf(CnfSignalGroup* on, CnfSignalGroup* off, double value);
    void setReleaf(QSharedPointer<CnfSignalGroup> on, QSharedPointer<CnfSignalGroup> off, double value);

    void removeSG(QSharedPointer<CnfSignalGroup> sg);
    void clear();
    void clone(QSharedPointer<CnfMatrix> source);

private:
    Q_DISABLE_COPY(CnfMatrix)
    QScopedPointer<CnfMatrixPrivate> d;
};

#endif
