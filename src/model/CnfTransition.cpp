#include "CnfTransition.h"

void CnfTransition::clear()
{
    clearing.clear();
    entering.clear();
    addRed.clear();
}
