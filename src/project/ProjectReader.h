#ifndef PROJECTREADER_H
#define PROJECTREADER_H

#include <QHash>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QVector>

#include "ProjectXmlElement.h"

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

    bool read(const ProjectXmlElement& root);
    QString errorString() const;

private:
    void sortRootChildren(const ProjectXmlElement& root);
    const QVector<ProjectXmlElement>& rootChildren(const QString& tag) const;
    ProjectXmlElement firstRootChild(const QString& tag) const;
    void readRootAttributes(const ProjectXmlElement& root);
    void readNativeData();
    bool readPowerDevices();
    void readInterstate();
    void readDetectors();
    QSharedPointer<CnfDetector> readDetector(const ProjectXmlElement& element);
    bool readSignalGroups();
    QSharedPointer<CnfSignalGroup> readSignalGroup(const ProjectXmlElement& element);
    bool readGroupDevices(const QSharedPointer<CnfSignalGroup>& group, const ProjectXmlElement& element);
    bool readGroupTimes(const QSharedPointer<CnfSignalGroup>& group, const ProjectXmlElement& element);
    bool readPhases();
    bool readPhase(const ProjectXmlElement& element);
    void readTransitions(const ProjectXmlElement& phaseElement, QList<QSharedPointer<CnfTransition>>& transitions);
    void readMatrices();
    QSharedPointer<CnfMatrix> readMatrix(const ProjectXmlElement& element);
    bool readPrograms();
    bool readDayCards();
    bool readWeekCards();
    bool readSpecialDays();
    bool readSeasonPlans();
    bool readDefaults();
    bool readDefaultSignalGroup(const ProjectXmlElement& defaults);
    bool fail(const QString& message);

    CnfController& m_controller;
    bool m_strict;
    QString m_error;
    QHash<QString, QVector<ProjectXmlElement>> m_rootChildren;
};

#endif
