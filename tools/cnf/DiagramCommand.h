#ifndef DIAGRAMCOMMAND_H
#define DIAGRAMCOMMAND_H

#include "Command.h"

// `cnf diagram FILE [--program ID] [-o OUT.svg] [--text]`: the signal timing
// diagram of each program, as SVG or as a terminal chart.
class DiagramCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(DiagramCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;
};

#endif
