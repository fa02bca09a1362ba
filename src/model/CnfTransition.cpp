#include "CnfTransition.h"
