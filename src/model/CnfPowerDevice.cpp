#include "CnfPowerDevice.h"
