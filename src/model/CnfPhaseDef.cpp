#include "CnfPhaseDef.h"
