#ifndef DYNAMICPROGRAMREADER_H
#define DYNAMICPROGRAMREADER_H

#include <QByteArray>
#include <QSharedPointer>
#include <QString>

class CnfController;
class CnfPhaseDef;
class CnfProgram;

// Reads the blob of one program and binds the program to the receiving
// controller: its steps to the receiver's phases, its timeline to the
// receiver's groups, its matrix to the receiver's matrix of the same id. The
// receiver is not changed (the raw record decoder only sets its last error);
// the program is not added to it.
class DynamicProgramReader
{
public:
    explicit DynamicProgramReader(CnfController& receiver);

    // The bound program, or null with errorString() set.
    QSharedPointer<CnfProgram> read(const QByteArray& blob);
    QString errorString() const;

private:
    QSharedPointer<CnfProgram> bindSteps(const CnfProgram& source);
    QSharedPointer<CnfProgram> decodeRawRecord(const CnfController& blob, const CnfProgram& source);
    bool sameLayout(const CnfController& blob, const CnfProgram& source);
    bool bindTimeline(const CnfProgram& source, CnfProgram& program);
    bool appendStep(const CnfPhaseDef& step, CnfProgram& program);
    void bindMatrices(const CnfProgram& source, CnfProgram& program) const;
    QSharedPointer<CnfProgram> fail(const QString& message);

    CnfController& m_receiver;
    QString m_error;
};

#endif
