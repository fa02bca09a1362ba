#ifndef PROGRAMRECORDDECODER_H
#define PROGRAMRECORDDECODER_H

#include <QByteArray>
#include <QList>
#include <QSharedPointer>
#include <QString>

#include <optional>

#include "ProgramRecordLayout.h"

class CnfController;
class CnfPhase;
class CnfProgram;

// Rebuilds a program from its raw record (the bytes of one program in the
// controller's own encoding) by walking the record's description from a
// layout document: the phase fields of the algorithm become the program's
// steps.
class ProgramRecordDecoder
{
public:
    ProgramRecordDecoder(const CnfController& controller, CnfProgram& program);

    // Clears the program and takes number, algorithm and intergreen variant
    // from the record's head. False when the record has no head.
    bool readHead(const QByteArray& record, bool adapterController);
    // Appends the phases that the algorithm's fields name. False when the
    // layout has no description of the algorithm or a field is wrong.
    bool readFields(const ProgramRecordLayout& layout);
    // Checks the fields as readFields() does, with the same errors, but
    // leaves the program without steps.
    bool checkFields(const ProgramRecordLayout& layout);

    QString errorString() const;

private:
    using Fields = ProgramRecordLayout::Fields;

    bool walk(const Fields& fields, qint64& offset);
    bool walkArray(const ProgramRecordField& array, qint64& offset);
    bool interpret(const Fields& fields, size_t index, qint64 offset);
    bool appendPhaseById(const Fields& fields, size_t index, qint64 offset);
    bool appendPhaseByPosition(const Fields& fields, size_t index, qint64 offset);
    void appendStep(const QSharedPointer<CnfPhase>& phase, int duration);
    void bringCycleUpToDate();
    int duration(const Fields& fields, size_t index, qint64 offset, bool signedBytes);
    void takeCycleOffset(const ProgramRecordField& field, qint64 offset);
    bool fail(const QString& message);

    quint8 byteAt(qint64 offset) const;
    bool inside(qint64 offset) const;

    const CnfController& m_controller;
    CnfProgram& m_program;
    QList<QSharedPointer<CnfPhase>> m_phases;
    QByteArray m_record;
    // Duration of the last main ("com_phase") field of the current entry; a
    // call phase without a duration of its own takes it.
    std::optional<int> m_mainDuration;
    bool m_cycleOffsetTaken = false;
    bool m_buildSteps = true;
    // Steps were appended since the cycle was last computed.
    bool m_cycleStale = false;
    QString m_error;
};

#endif
