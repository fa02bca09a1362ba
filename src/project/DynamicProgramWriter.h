#ifndef DYNAMICPROGRAMWRITER_H
#define DYNAMICPROGRAMWRITER_H

#include <QByteArray>
#include <QSharedPointer>
#include <QString>

class CnfController;
class CnfProgram;

// Writes the blob of one program: a small project document that holds the
// program with what is needed to read it back elsewhere (the controller's
// phases and their groups, the program's matrix, the intergreen record, the
// conflict and safety matrices, the controller's "type" and "version"). The
// document is built in a temporary controller; the source stays as it is.
// The same program always gives the same bytes.
class DynamicProgramWriter
{
public:
    explicit DynamicProgramWriter(const CnfController& source);

    // The blob, or an empty array with errorString() set.
    QByteArray write(const QSharedPointer<CnfProgram>& program);
    QString errorString() const;

private:
    bool addPhases(CnfController& blob);
    void addProgramMatrix(CnfController& blob, CnfProgram& copy);
    void addProgramGroups(CnfController& blob, CnfProgram& copy);
    bool checkKind(CnfController& blob, CnfProgram& copy);
    void addControllerRecords(CnfController& blob, const QSharedPointer<CnfProgram>& copy,
                              const QSharedPointer<CnfProgram>& program);
    QByteArray fail(const QString& message);

    const CnfController& m_source;
    QString m_error;
};

#endif
