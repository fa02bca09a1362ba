#ifndef PROJECTREADER_H
#define PROJECTREADER_H

#include <QDomElement>
#include <QSharedPointer>
#include <QString>

class CnfController;
class CnfDetector;
class CnfMatrix;
class CnfSignalGroup;
class CnfTransition;

// Fills a cleared controller from the root element of a project document,
// element kind by element kind, through the controller's operations. Stops
// at the first broken reference with the message in errorString(); what was
// read before stays.
class ProjectReader
{
public:
    ProjectReader(CnfController& controller, bool strict);

    bool read(const QDomElement& root);
    QString errorString() const;

private:
    void readRootAttributes(const QDomElement& root);
    void readNativeData(const QDomElement& root);
    bool readPowerDevices(const QDomElement& root);
    void readInterstate(const QDomElement& root);
    void readDetectors(const QDomElement& root);
    QSharedPointer<CnfDetector> readDetector(const QDomElement& element);
    bool readSignalGroups(const QDomElement& root);
    QSharedPointer<CnfSignalGroup> readSignalGroup(const QDomElement& element);
    bool readGroupDevices(const QSharedPointer<CnfSignalGroup>& group, const QDomElement& element);
    bool readGroupTimes(const QSharedPointer<CnfSignalGroup>& group, const QDomElement& element);
    bool readPhases(const QDomElement& root);
    bool readPhase(const QDomElement& element);
    void readTransitions(const QDomElement& phaseElement, QList<QSharedPointer<CnfTransition>>& transitions);
    void readMatrices(const QDomElement& root);
    QSharedPointer<CnfMatrix> readMatrix(const QDomElement& element);
    bool readPrograms(const QDomElement& root);
    bool readDayCards(const QDomElement& root);
    bool readWeekCards(const QDomElement& root);
    bool readSpecialDays(const QDomElement& root);
    bool readSeasonPlans(const QDomElement& root);
    bool readDefaults(const QDomElement& root);
    bool readDefaultSignalGroup(const QDomElement& defaults);
    bool fail(const QString& message);

    CnfController& m_controller;
    bool m_strict;
    QString m_error;
};

#endif
