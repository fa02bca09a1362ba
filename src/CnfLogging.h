#ifndef CNFLOGGING_H
#define CNFLOGGING_H

#include <QLoggingCategory>

// The library's diagnostic categories, one per subsystem, so that a host can
// switch them with QT_LOGGING_RULES (e.g. "cnf.project.warning=false").
// Internal; diagnostics are findings that the operations do not report to
// their caller.
Q_DECLARE_LOGGING_CATEGORY(lcCnfModel) // "cnf.model": the configuration model
Q_DECLARE_LOGGING_CATEGORY(lcCnfProject) // "cnf.project": project document, layouts, program records
Q_DECLARE_LOGGING_CATEGORY(lcCnfNative) // "cnf.native": the adapter frame and the 3.x images
Q_DECLARE_LOGGING_CATEGORY(lcCnfJson) // "cnf.json": the JSON adapters
Q_DECLARE_LOGGING_CATEGORY(lcCnfText) // "cnf.text": the text adapter

#endif
