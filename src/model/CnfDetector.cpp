#include "CnfDetector.h"

class CnfDetectorPrivate
{
public:
    int id = 0;
    QString name;
    bool sensor = false;
};

CnfDetector::CnfDetector(QObject* parent)
    : QObject(parent)
    , d(new CnfDetectorPrivate)
{
}

CnfDetector::~CnfDetector() = default;

int CnfDetector::id() const
{
    return d->id;
}

void CnfDetector::setId(int id)
{
    d->id = id;
}

QString CnfDetector::name() const
{
    return d->name;
}

void CnfDetector::setName(const QString& name)
{
    d->name = name;
}

bool CnfDetector::isSensor() const
{
    return d->sensor;
}

void CnfDetector::setSensor(bool sensor)
{
    d->sensor = sensor;
}

QString CnfDetector::friendlyName() const
{
    QString text = QString::number(d->id);
    if (!d->name.isEmpty())
        text += QStringLiteral(" (") + d->name + QLatin1Char(')');
    return text;
}
