#include "CnfMatrix.h"
