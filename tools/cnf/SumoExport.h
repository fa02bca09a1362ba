#ifndef SUMOEXPORT_H
#define SUMOEXPORT_H

#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QString>
#include <QStringList>

class CnfController;
class CnfSignalPlan;
class QXmlStreamWriter;

// The controller's signal plans as a SUMO additional file: one static
// tlLogic per program that has a plan, one state character per signal group
// in the controller's group order, and optionally the schedule of one week
// as a WAUT that switches between them.
class SumoExport
{
    Q_DECLARE_TR_FUNCTIONS(SumoExport)

public:
    explicit SumoExport(const CnfController& controller);

    // The junction the programs drive; the controller's number by default.
    void setJunctionId(const QString& id);
    QString junctionId() const;
    // Adds a WAUT that follows the schedule for the seven days from `date`;
    // an invalid date adds none.
    void setWeekOf(const QDate& date);

    // The additional file; empty when no program has a signal plan.
    QByteArray write();
    // What the file could not hold (programs without a plan, times without
    // a program), one sentence each; filled by write().
    QStringList notes() const;

    // The state vector of `plan` at `second` of its cycle: G green (green
    // blink too), y amber, u red-amber, r red, o flashing amber, O dark.
    static QString state(const CnfSignalPlan& plan, int second);
    // One line per state index: "INDEX  GROUP-ID  NAME  (TYPE)".
    QStringList linkIndices() const;

    // How long the single phase of a plan without a cycle lasts.
    static constexpr int SteadyPhase = 60;

private:
    struct Phase {
        int duration;
        QString state;
        QString name;
    };
    static QList<Phase> phasesOf(const CnfSignalPlan& plan);
    static QString phaseName(const CnfSignalPlan& plan, int second);
    static QString comment(const QString& text);
    void writeWaut(QXmlStreamWriter& xml, const QStringList& exported);

    const CnfController& m_controller;
    QString m_junctionId;
    QDate m_weekOf;
    QStringList m_notes;
};

#endif
