#ifndef CNFLOOKUPSESSION_H
#define CNFLOOKUPSESSION_H

#include <QtGlobal>

class CnfController;
class CnfControllerPrivate;

// For the library's readers and writers, which make a look-up per reference:
// while a session lives, the controller answers its look-ups by id and name
// and its duplicate checks from indices beside its lists instead of walking
// them, with the same results. In return nobody may change the id, address
// or name of an element the controller lists other than through the
// controller while the session lasts (set them before adding the element;
// setProgramRawData renumbers its program and may only be given one that is
// not listed). Sessions nest; the indices go when the last one ends.
class CnfLookupSession
{
public:
    explicit CnfLookupSession(const CnfController& controller);
    ~CnfLookupSession();

private:
    Q_DISABLE_COPY(CnfLookupSession)
    CnfControllerPrivate* d;
};

#endif
