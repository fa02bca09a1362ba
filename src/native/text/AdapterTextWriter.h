#ifndef ADAPTERTEXTWRITER_H
#define ADAPTERTEXTWRITER_H

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class CnfController;
class CnfDayCard;
class CnfPhase;
class CnfProgram;

// Writes a CnfController as a text configuration of the communication
// adapter. It refuses, with a message naming the element, whatever the
// reader would refuse or read back differently, and the adapter's limits.
class AdapterTextWriter
{
    Q_DECLARE_TR_FUNCTIONS(AdapterTextWriter)

public:
    explicit AdapterTextWriter(CnfController& controller);

    // The Windows-1251 text with its "MD4=" line; empty on failure.
    QByteArray write();
    // The reason of the failure of write(), naming the element; empty after a success.
    QString errorString() const;

private:
    bool writeProperties();
    bool writeNativeData();
    bool writeItem(const QString& key, const QString& value, bool quoted);
    bool writePrograms();
    bool writeProgram(const CnfProgram& program);
    bool checkProgramRecord(const CnfProgram& program, QByteArray& record);
    bool checkPhase(const CnfProgram& program, int position, int duration, bool checkDuration);
    bool checkCallPhase(const CnfProgram& program, const char* record, int algorithm);
    QString phaseRecordText(const char* record, int algorithm) const;
    bool writeDayCards();
    bool writeWeek();
    bool writeSpecialDays();
    bool fail(const QString& message);

    CnfController& m_controller;
    const QList<QSharedPointer<CnfPhase>> m_phases;
    const QList<QSharedPointer<CnfProgram>> m_programs;
    const QList<QSharedPointer<CnfDayCard>> m_dayCards;
    // The number each program is written under, as the reader gives it back.
    QHash<const CnfProgram*, QString> m_programNumbers;
    // Positions of the phases the program records name.
    QSet<int> m_usedPhases;
    QStringList m_lines;
    QString m_error;
};

#endif
