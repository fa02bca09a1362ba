#include "CnfProgram.h"
