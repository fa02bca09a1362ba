#include "CnfSchedule.h"
