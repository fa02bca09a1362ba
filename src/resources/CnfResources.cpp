#include "CnfController_p.h"

// Placeholder until the layout documents are compiled in.
void cnfRegisterResourcesOnce()
{
}
