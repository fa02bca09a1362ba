#ifndef CNFCONTROLLERINTERNAL_H
#define CNFCONTROLLERINTERNAL_H

#include <QSharedPointer>

class CnfController;
class CnfPhase;
class CnfPhaseDef;
class CnfProgram;

// Operations on a controller that the library's own readers use; not part of
// the installed interface.

// Appends `program` exactly as a document reader built it. Unlike
// CnfController::addProgram it gives no id, sets no default matrix and makes
// no rebuild: the reader has already bound the program's phases to the
// controller, and the document's own values must stay. Nothing for a null
// program or one already listed.
void cnfAppendProgramAsRead(CnfController& controller, QSharedPointer<CnfProgram> program);

// Appends a step of `phase` lasting `duration` (the whole step with
// `fullDuration`), as appendPhase or appendPhaseFl would, and answers it as
// the program's list holds it. Only the last step of a program being read
// (`lastStep`) recomputes the cycle: the same cycle the step-by-step
// recomputations would end with.
const QSharedPointer<CnfPhaseDef>& cnfAppendStepAsRead(CnfProgram& program, const QSharedPointer<CnfPhase>& phase,
                                                       int duration, bool fullDuration, bool lastStep);

#endif
