#include "Norvak3xConfig.h"

#include <QFile>
#include <QObject>

#include "CnfController.h"
#include "CnfProgram.h"
#include "Norvak3xImage.h"
#include "Norvak3xLayout.h"
#include "Norvak3xReader.h"
#include "Norvak3xWriter.h"
#include "ProgramRecordDecoder.h"

class Norvak3xConfigPrivate
{
public:
    explicit Norvak3xConfigPrivate(const Norvak3xLayout& l)
        : layout(l)
    {
    }

    const Norvak3xLayout& layout;
    Norvak3xImage image;
    QString lastError;
    QStringList warnings;
};

Norvak3xConfig::Norvak3xConfig(const Norvak3xLayout& layout)
    : d(new Norvak3xConfigPrivate(layout))
{
}

Norvak3xConfig::~Norvak3xConfig() = default;

bool Norvak3xConfig::load(const QByteArray& data)
{
    d->lastError.clear();
    return d->image.load(data, d->layout, &d->lastError);
}

bool Norvak3xConfig::load(const QString& fileName)
{
    d->lastError.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        d->lastError = QObject::tr("Error opening %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return load(file.readAll());
}

bool Norvak3xConfig::checkCRC()
{
    d->lastError.clear();
    if (d->image.isEmpty()) {
        d->lastError = QObject::tr("Пустые данные");
        return false;
    }
    if (!d->image.checksumMatches()) {
        d->lastError = QObject::tr("Неправильная контрольная сумма в файле конфигурации");
        return false;
    }
    return true;
}

QByteArray Norvak3xConfig::save(CnfController& controller)
{
    d->lastError.clear();
    Norvak3xWriter writer(controller, d->layout);
    const QByteArray image = writer.write();
    d->lastError = writer.error();
    return image;
}

bool Norvak3xConfig::createController(CnfController& controller)
{
    d->lastError.clear();
    d->warnings.clear();
    if (d->image.isEmpty()) {
        d->lastError = QObject::tr("Пустые данные");
        return false;
    }
    Norvak3xReader reader(d->image, d->layout, controller);
    const bool ok = reader.read();
    d->lastError = reader.error();
    d->warnings = reader.warnings();
    if (reader.imageRejected())
        d->image.clear();
    return ok;
}

void Norvak3xConfig::initController(CnfController& controller)
{
    controller.setNativeData(QStringLiteral("interstateVariantCount"), d->layout.interstateVariantCount);
}

// The record of one program as a running controller takes it, numbered
// after the program's id.
QByteArray Norvak3xConfig::createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program)
{
    d->lastError.clear();
    if (!program) {
        const auto programs = controller.programs();
        if (programs.isEmpty()) {
            d->lastError = QObject::tr("У контроллера нет программ");
            return {};
        }
        program = programs.first();
    }
    if (program->type != CnfProgram::NorvakSpecial) {
        d->lastError = QObject::tr("Неподдерживаемый тип программы %1").arg(CnfProgram::typeName(program->type, true));
        return {};
    }
    const int size = d->layout.recordSize(Norvak3xSection::Programs);
    const QByteArray data = program->data();
    if (data.size() != size) {
        d->lastError = QObject::tr("В программе %1 данные НОРВАК неправильного размера - %2 (должно быть %3)")
                           .arg(program->id)
                           .arg(data.size())
                           .arg(size);
        return {};
    }
    bool numeric = false;
    const int number = program->id.toInt(&numeric);
    if (!numeric) {
        d->lastError = QObject::tr("Программа %1 имеет недопустимый идентификатор. Возможно использование только чисел")
                           .arg(program->id);
        return {};
    }
    // Decoded with this version's layout, whatever the controller's version.
    CnfProgram fresh;
    ProgramRecordDecoder decoder(controller, fresh);
    if (!decoder.readHead(data, false)
        || (fresh.nativeType != 0 && !decoder.readFields(d->layout.programLayout()))) {
        d->lastError = decoder.errorString();
        return {};
    }
    QByteArray record = fresh.data();
    record[0] = char(number & 0xFF);
    return record;
}

QString Norvak3xConfig::version()
{
    return d->layout.versionText;
}

QString Norvak3xConfig::lastError()
{
    return d->lastError;
}

QStringList Norvak3xConfig::warnings()
{
    return d->warnings;
}
