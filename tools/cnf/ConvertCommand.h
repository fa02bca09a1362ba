#ifndef CONVERTCOMMAND_H
#define CONVERTCOMMAND_H

#include "Command.h"
#include "CnfFormat.h"

class ConfigFile;
class LossReport;
class QJsonObject;

// `cnf convert IN OUT --to FORMAT`: reads a configuration in any format the
// library knows and writes it in another, reporting every loss. OUT is left
// untouched on failure.
class ConvertCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(ConvertCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;

private:
    static bool readSource(const QString& input, ConfigFile* file);
    CnfFormat targetFormat(const QCommandLineParser& parser, const QString& output, QString* error) const;
    int exportSumo(const QCommandLineParser& parser, const QString& input, const QString& output);
    static void report(const LossReport& losses, const CnfFormat& format, bool verbose);
    static void printJson(const QJsonObject& report);
};

#endif
