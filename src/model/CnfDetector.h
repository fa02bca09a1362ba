#ifndef CNFDETECTOR_H
#define CNFDETECTOR_H

#include <QObject>
#include <QScopedPointer>
#include <QString>

#include "cnf_export.h"

class CnfDetectorPrivate;

// An input of the controller: a detector, or a sensor when flagged so.
class CNF_EXPORT CnfDetector : public QObject
{
    Q_OBJECT
public:
    explicit CnfDetector(QObject* parent = nullptr);
    ~CnfDetector() override;

    int id() const;
    void setId(int id);
    QString name() const;
    void setName(const QString& name);
    bool isSensor() const;
    void setSensor(bool sensor);

    // Text for display.
    QString friendlyName() const;

private:
    QScopedPointer<CnfDetectorPrivate> d;
};

#endif
