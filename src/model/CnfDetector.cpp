#include "CnfDetector.h"
