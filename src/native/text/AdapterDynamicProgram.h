#ifndef ADAPTERDYNAMICPROGRAM_H
#define ADAPTERDYNAMICPROGRAM_H

#include <QByteArray>
#include <QCoreApplication>
#include <QSharedPointer>
#include <QString>

class CnfController;
class CnfProgram;

// The 62-byte adapter program record that the host sends to a running
// controller. Unlike the stored record it names phases by their numbers,
// not by their positions in the controller's phase list.
class AdapterDynamicProgram
{
    Q_DECLARE_TR_FUNCTIONS(AdapterDynamicProgram)

public:
    explicit AdapterDynamicProgram(CnfController& controller);

    // The record of `program`, or of the controller's first program when it
    // is null; empty on failure, with the reason in errorString().
    QByteArray build(QSharedPointer<CnfProgram> program);
    // The reason of the last failure of build(); empty after a success.
    QString errorString() const;

private:
    QByteArray fromSteps(CnfProgram& program, int number);
    QByteArray fromRecord(const CnfProgram& program, int number);
    bool phaseNumber(const QString& id, int* number);
    bool byteValue(const QString& name, int value, int* out);
    QByteArray fail(const QString& message);

    CnfController& m_controller;
    QString m_error;
};

#endif
