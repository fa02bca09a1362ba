// Registration of the compiled-in resources (the layout documents and the
// key-order files of the JSON printer).
//
// rcc's generated code registers the resources when the library is loaded and
// unregisters them when it is unloaded. The controller's constructor registers
// them once more, so that they are found even where that load-time code did
// not run (a statically linked library drops the unreferenced initialiser).
#include "CnfController_p.h"

#include <QtGlobal>

static bool registerLayoutResources()
{
    Q_INIT_RESOURCE(layouts);
    Q_INIT_RESOURCE(humanaze);
    return true;
}

void cnfRegisterResourcesOnce()
{
    // A function-local static runs its initialiser once per process.
    static const bool registered = registerLayoutResources();
    Q_UNUSED(registered)
}
