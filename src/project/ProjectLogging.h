#ifndef PROJECTLOGGING_H
#define PROJECTLOGGING_H

#include <QLoggingCategory>

// Diagnostics of the project document reader and writer.
Q_DECLARE_LOGGING_CATEGORY(lcProject)

#endif
