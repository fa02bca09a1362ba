#ifndef LOSSREPORT_H
#define LOSSREPORT_H

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include "CnfDifference.h"

// What a conversion lost: the differences between the model that was written
// and the model read back from the output, less those the target format
// recomputes on every write.
class LossReport
{
    Q_DECLARE_TR_FUNCTIONS(LossReport)

public:
    explicit LossReport(const QList<CnfDifference>& differences);

    bool isEmpty() const { return m_differences.isEmpty(); }
    QList<CnfDifference> differences() const { return m_differences; }

    // One line per kind of change for a target named like "firmware 3.18
    // image": "… cannot hold: 1 intergreen matrix, names of 54 elements",
    // and "… adds: …" for what the read-back model has in excess.
    QStringList summary(const QString& target) const;
    // One line per difference.
    QStringList details() const;
    QJsonArray toJson() const;

    static QJsonObject toJson(const CnfDifference& difference);
    // True for what a target sets anew on every write or read: the times of
    // creation and change, its defaults for native settings the source did
    // not have, transitions without times derived from programs.
    static bool isRecomputed(const CnfDifference& difference);

private:
    static QString noun(const QString& kind, int count);
    static QString kindOfChange(const CnfDifference& difference, int count);

    QList<CnfDifference> m_differences;
};

#endif
