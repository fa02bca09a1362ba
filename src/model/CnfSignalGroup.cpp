#include "CnfSignalGroup.h"
