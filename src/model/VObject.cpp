#include "VObject.h"
