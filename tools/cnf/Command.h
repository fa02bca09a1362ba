#ifndef COMMAND_H
#define COMMAND_H

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

// One subcommand of the tool ("info", "convert", "check"): its own options,
// help text and exit code.
class Command
{
    Q_DECLARE_TR_FUNCTIONS(Command)

public:
    enum ExitCode {
        Success = 0,
        Failure = 1, // a file was rejected, or problems were found
        UsageError = 2,
    };

    virtual ~Command();

    virtual QString name() const = 0;
    // One line for the tool's list of commands.
    virtual QString brief() const = 0;
    // The description in the command's own help.
    virtual QString summary() const = 0;

    // Runs the command; `arguments` starts with the program and the command
    // name, as typed.
    int execute(const QStringList& arguments);
    // The command's help text.
    QString helpText();
    // Declares -h and --help.
    static void addHelpOption(QCommandLineParser& parser);

protected:
    // Declares the command's options and positional arguments.
    virtual void configure(QCommandLineParser& parser) = 0;
    // Runs the command once its command line has been parsed; the positional
    // arguments come without the command name.
    virtual int run(const QCommandLineParser& parser, const QStringList& arguments) = 0;

    // Reports a wrong command line and returns UsageError.
    int usageError(const QString& message) const;

private:
    void setUp(QCommandLineParser& parser);
};

#endif
