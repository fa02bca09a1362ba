#include "CnfLookupSession.h"

#include "CnfController_p.h"

CnfLookupSession::CnfLookupSession(const CnfController& controller)
    : d(CnfControllerPrivate::get(controller))
{
    if (d)
        d->index.beginSession();
}

CnfLookupSession::~CnfLookupSession()
{
    if (d)
        d->index.endSession();
}
