#ifndef CNFCONTROLLERINTERNAL_H
#define CNFCONTROLLERINTERNAL_H

#include <QSharedPointer>

class CnfController;
class CnfProgram;

// Operations on a controller that the library's own readers use; not part of
// the installed interface.

// Appends `program` exactly as a document reader built it. Unlike
// CnfController::addProgram it gives no id, sets no default matrix and makes
// no rebuild: the reader has already bound the program's phases to the
// controller, and the document's own values must stay. Nothing for a null
// program or one already listed.
void cnfAppendProgramAsRead(CnfController& controller, QSharedPointer<CnfProgram> program);

#endif
