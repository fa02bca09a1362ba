#include "CnfController.h"
