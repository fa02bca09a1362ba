#ifndef CNF_H
#define CNF_H

// Every public header of the library.

#include "CnfController.h"
#include "CnfDetector.h"
#include "CnfInterstate.h"
#include "CnfMatrix.h"
#include "CnfMatrixCell.h"
#include "CnfNative.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSGTimes.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"
#include "JsonPrinter.h"
#include "NorvakIIConfig.h"
#include "VObject.h"
#include "cnf_export.h"

#endif
