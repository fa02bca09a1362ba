#include "ProjectLogging.h"

Q_LOGGING_CATEGORY(lcProject, "cnf.project")
