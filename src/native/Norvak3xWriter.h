#ifndef NORVAK3XWRITER_H
#define NORVAK3XWRITER_H

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QSharedPointer>
#include <QString>
#include <QVariant>
#include <QVector>

#include <array>

#include "Norvak3xLayout.h"

class CnfController;
class CnfDayCard;
class CnfPhase;
class CnfPowerDevice;
class CnfProgram;
class CnfSignalGroup;

// Builds a 3.x image from a controller: checks the model against the
// version's limits while it builds the sections in order, then assembles
// the container. The first failed check ends the writing.
class Norvak3xWriter
{
public:
    Norvak3xWriter(CnfController& controller, const Norvak3xLayout& layout);

    QByteArray write();
    QString error() const { return m_error; }

private:
    bool writeTitle();
    bool writeFixedTitle();
    static void putNumericTime(char* at, const QDateTime& time, const QDateTime& now);
    bool writePower();
    bool writeFields(Norvak3xSection section, const QVector<Norvak3xField>& fields);
    bool writeSignalGroups();
    bool writeKey(char* key, const CnfPowerDevice& device, int groupId);
    bool writeConflicts();
    // The first position of the group in the controller's list, -1 when it is
    // not listed; and every position below 32 as bits.
    int groupPosition(const CnfSignalGroup* group) const;
    quint32 groupPositionBits(const CnfSignalGroup* group) const;
    bool writeIntergreens();
    bool writePhases();
    bool writePrograms();
    // Decodes the record into `decoded`, which it clears first.
    bool checkAlgorithm(const CnfProgram& program, CnfProgram& decoded);
    using NumberOwners = std::array<const CnfProgram*, 256>;
    bool putProgramNumber(const CnfProgram& program, QByteArray* data, NumberOwners* numbers);
    bool writeDayCards();
    bool writeWeek();
    bool writeSpecialDays();
    bool writeRemotePanel();
    bool writeErrorControl();
    bool writeStatistics();
    bool writeCountdown();
    bool writeSynchronizer();
    void writeDerived();

    QByteArray counted(Norvak3xSection s, int count) const;
    static char* record(QByteArray& section, int recordSize, int n);
    // Drops the records of a counted section whose bytes are all unset.
    static void dropWhenUnset(QByteArray& section);
    bool indexed(const QList<QByteArray>& elements, QByteArray* out);
    void append(Norvak3xSection s, const QByteArray& section);

    bool putValue(char* at, const QVariant& v, Norvak3xValue kind, const QString& name);
    bool putNative(char* record, const Norvak3xField& field);
    // `name` makes the name of the value for the message, only when needed.
    template <class Name>
    bool putByte(char* at, int value, Name name, int low = 0, int high = 255)
    {
        if (value < low || value > high)
            return outOfRange(name(), value, low, high);
        *at = char(value);
        return true;
    }
    bool outOfRange(const QString& name, int value, int low, int high);
    bool tooMany(const QString& message, int number, int limit);
    bool fail(const QString& message);

    CnfController& m_controller;
    const Norvak3xLayout& m_layout;
    QList<QSharedPointer<CnfSignalGroup>> m_groups;
    // Every group with its position in m_groups, ordered by address: records
    // name groups by position, found here by binary search.
    QVector<QPair<const CnfSignalGroup*, int>> m_groupPositions;
    QList<QSharedPointer<CnfPhase>> m_phases;
    QList<QSharedPointer<CnfProgram>> m_programs;
    QList<QSharedPointer<CnfDayCard>> m_dayCards;
    QList<QByteArray> m_sections;
    QByteArray m_power;
    QByteArray m_conflicts;
    QString m_error;
};

#endif
