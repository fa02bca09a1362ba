#ifndef ADAPTERPROGRAMPARSER_H
#define ADAPTERPROGRAMPARSER_H

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class CnfController;
class CnfProgram;

// Turns the description of one signal program ("PRG3=1(1 20)(2 30)") into
// the 62-byte adapter program record and hands it to the controller, which
// decodes it into phase steps. Phases the record names are created when the
// controller does not have them yet.
class AdapterProgramParser
{
    Q_DECLARE_TR_FUNCTIONS(AdapterProgramParser)

public:
    static constexpr int recordSize = 62;
    static constexpr int phaseRecordCount = 8;
    static constexpr int phaseRecordSize = 7;
    static constexpr int firstPhaseRecord = 6;

    explicit AdapterProgramParser(CnfController& controller);

    // The program described by `value`, numbered by `number` (the key after
    // "PRG"); null on failure, with the reason in errorString().
    QSharedPointer<CnfProgram> parse(const QString& number, const QString& value, const QString& line);
    // The reason of the last failure of parse().
    QString errorString() const;

private:
    bool split(const QString& value);
    bool fillHead(int algorithm);
    bool fillRecords(int algorithm, int minFields, int maxFields);
    bool putByte(int at, const QString& text, int max);
    bool sumCycle(int number, bool cycleGiven);
    void clearMissingCallPhases(int algorithm);
    bool phasesToPositions(int number);
    bool fail(const QString& message);

    CnfController& m_controller;
    QString m_line;
    QStringList m_head;
    QList<QStringList> m_records;
    QByteArray m_record;
    QString m_error;
};

#endif
