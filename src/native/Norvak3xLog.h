#ifndef NORVAK3XLOG_H
#define NORVAK3XLOG_H

#include <QLoggingCategory>

// Diagnostics of the 3.x binary adapters.
Q_DECLARE_LOGGING_CATEGORY(lcNorvak3x)

#endif
