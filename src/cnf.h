#ifndef CNF_H
#define CNF_H

// Every public header of the library.

#include "AdapterConfig.h"
#include "CnfController.h"
#include "CnfControllerDiff.h"
#include "CnfDetector.h"
#include "CnfDifference.h"
#include "CnfFinding.h"
#include "CnfFormat.h"
#include "CnfFormatRegistry.h"
#include "CnfInterstate.h"
#include "CnfMatrix.h"
#include "CnfMatrixCell.h"
#include "CnfNative.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSafetyReview.h"
#include "CnfSchedule.h"
#include "CnfScheduleCalendar.h"
#include "CnfSGTimes.h"
#include "CnfSignalGroup.h"
#include "CnfSignalPlan.h"
#include "CnfTransition.h"
#include "JsonPrinter.h"
#include "NorvakIIConfig.h"
#include "VObject.h"
#include "ZT_LOOMConfig.h"
#include "cnf_export.h"

#endif
