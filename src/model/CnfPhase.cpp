#include "CnfPhase.h"
