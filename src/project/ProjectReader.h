#ifndef PROJECTREADER_H
#define PROJECTREADER_H

#include <QDomElement>
#include <QHash>
#include <QList>
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
    void sortRootChildren(const QDomElement& root);
    const QList<QDomElement>& rootChildren(const QString& tag) const;
    QDomElement firstRootChild(const QString& tag) const;
    void readRootAttributes(const QDomElement& root);
    void readNativeData();
    bool readPowerDevices();
    void readInterstate();
    void readDetectors();
    QSharedPointer<CnfDetector> readDetector(const QDomElement& element);
    bool readSignalGroups();
    QSharedPointer<CnfSignalGroup> readSignalGroup(const QDomElement& element);
    bool readGroupDevices(const QSharedPointer<CnfSignalGroup>& group, const QDomElement& element);
    bool readGroupTimes(const QSharedPointer<CnfSignalGroup>& group, const QDomElement& element);
    bool readPhases();
    bool readPhase(const QDomElement& element);
    void readTransitions(const QDomElement& phaseElement, QList<QSharedPointer<CnfTransition>>& transitions);
    void readMatrices();
    QSharedPointer<CnfMatrix> readMatrix(const QDomElement& element);
    bool readPrograms();
    bool readDayCards();
    bool readWeekCards();
    bool readSpecialDays();
    bool readSeasonPlans();
    bool readDefaults();
    bool readDefaultSignalGroup(const QDomElement& defaults);
    bool fail(const QString& message);

    CnfController& m_controller;
    bool m_strict;
    QString m_error;
    QHash<QString, QList<QDomElement>> m_rootChildren;
};

#endif
