#ifndef JSONPLANWRITER_H
#define JSONPLANWRITER_H

#include <QCoreApplication>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

#include "TimelineCodec.h"

class CnfController;
class CnfPhase;
class CnfProgram;
struct JsonDialect;

// Builds the plan object of one program of a JSON configuration: its id,
// name, whether it is the default program, and its algorithm by the kind of
// program, in the form the dialect gives. Refuses, with a message naming the
// program, a plan the reader would refuse.
class JsonPlanWriter
{
    Q_DECLARE_TR_FUNCTIONS(JsonPlanWriter)

public:
    // `groupOrder`, when given, is the controller's order of its groups,
    // taken once for the timelines of all its programs.
    JsonPlanWriter(CnfController& controller, CnfProgram& program, const JsonDialect& dialect,
                   const TimelineCodec::GroupOrder* groupOrder = nullptr);

    // The plan object; invalid, with errorString(), when it cannot be written.
    QVariant write();
    QString errorString() const;

private:
    bool writeAlgorithm(QVariantMap& algorithm);
    bool writeFixed(QVariantMap& algorithm);
    bool writeTimeline(QVariantMap& algorithm);
    bool writeStageRing(QVariantMap& algorithm);
    void writeMatrix(QVariantMap& algorithm);
    void writeOwnType(QVariantMap& algorithm);
    void writeProperties(QVariantMap& plan, QVariantMap& algorithm);
    QVariant stageReference(const QSharedPointer<CnfPhase>& phase);
    bool fail(const QString& message);

    CnfController& m_controller;
    CnfProgram& m_program;
    const JsonDialect& m_dialect;
    const TimelineCodec::GroupOrder* m_groupOrder;
    QString m_error;
};

#endif
