#include "CnfLogging.h"

Q_LOGGING_CATEGORY(lcCnfModel, "cnf.model")
Q_LOGGING_CATEGORY(lcCnfProject, "cnf.project")
Q_LOGGING_CATEGORY(lcCnfNative, "cnf.native")
Q_LOGGING_CATEGORY(lcCnfJson, "cnf.json")
Q_LOGGING_CATEGORY(lcCnfText, "cnf.text")
