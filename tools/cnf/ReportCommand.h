#ifndef REPORTCOMMAND_H
#define REPORTCOMMAND_H

#include "Command.h"

// `cnf report FILE -o report.html [--year Y]`: the whole configuration as one
// self-contained HTML page.
class ReportCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(ReportCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;
};

#endif
