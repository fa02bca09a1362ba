#ifndef HTMLREPORT_H
#define HTMLREPORT_H

#include <QCoreApplication>
#include <QString>

class ConfigFile;

// The whole configuration of one file as a single self-contained HTML page
// (no scripts, no external files) that prints on A4: the summary, the safety
// review's findings, every program's timing diagram, the conflict and
// intergreen matrices, the daily cards as 24-hour bars and a year calendar
// coloured by the daily card of each date.
class HtmlReport
{
    Q_DECLARE_TR_FUNCTIONS(HtmlReport)

public:
    // The page for `file`, whose model has been read, with the calendar of `year`.
    static QString render(const ConfigFile& file, int year);
};

#endif
