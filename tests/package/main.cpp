#include "cnf.h"

int main()
{
    CnfController controller;
    auto sg = QSharedPointer<CnfSignalGroup>::create();
    sg->id = 1;
    controller.addSignalGroup(sg);
    return controller.findSG(1) == sg ? 0 : 1;
}
