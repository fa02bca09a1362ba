#include "Norvak3xConfig.h"

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
};

Norvak3xConfig::Norvak3xConfig(const Norvak3xLayout& layout)
    : d(new Norvak3xConfigPrivate(layout))
{
}

Norvak3xConfig::~Norvak3xConfig() = default;

bool Norvak3xConfig::load(const QByteArray& data)
{
    QString error;
    const bool loaded = d->image.load(data, d->layout, &error);
    setLastError(error);
    return loaded;
}

bool Norvak3xConfig::checkCRC()
{
    setLastError(QString());
    if (d->image.isEmpty()) {
        setLastError(QObject::tr("Пустые данные"));
        return false;
    }
    if (!d->image.checksumMatches()) {
        setLastError(QObject::tr("Неправильная контрольная сумма в файле конфигурации"));
        return false;
    }
    return true;
}

QByteArray Norvak3xConfig::save(CnfController& controller)
{
    setLastError(QString());
    Norvak3xWriter writer(controller, d->layout);
    const QByteArray image = writer.write();
    setLastError(writer.error());
    return image;
}

bool Norvak3xConfig::createController(CnfController& controller)
{
    setLastError(QString());
    setWarnings({});
    if (d->image.isEmpty()) {
        setLastError(QObject::tr("Пустые данные"));
        return false;
    }
    Norvak3xReader reader(d->image, d->layout, controller);
    const bool ok = reader.read();
    setLastError(reader.error());
    setWarnings(reader.warnings());
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
    setLastError(QString());
    if (!program) {
        const auto programs = controller.programs();
        if (programs.isEmpty()) {
            setLastError(QObject::tr("У контроллера нет программ"));
            return {};
        }
        program = programs.first();
    }
    if (program->type != CnfProgram::NorvakSpecial) {
        setLastError(QObject::tr("Неподдерживаемый тип программы %1").arg(CnfProgram::typeName(program->type, true)));
        return {};
    }
    const int size = d->layout.recordSize(Norvak3xSection::Programs);
    const QByteArray data = program->data();
    if (data.size() != size) {
        setLastError(QObject::tr("В программе %1 данные НОРВАК неправильного размера - %2 (должно быть %3)")
                               .arg(program->id)
                               .arg(data.size())
                               .arg(size));
        return {};
    }
    bool numeric = false;
    const int number = program->id.toInt(&numeric);
    if (!numeric) {
        setLastError(QObject::tr("Программа %1 имеет недопустимый идентификатор. Возможно использование только чисел")
                               .arg(program->id));
        return {};
    }
    // Decoded with this version's layout, whatever the controller's version.
    CnfProgram fresh;
    ProgramRecordDecoder decoder(controller, fresh);
    if (!decoder.readHead(data, false)
        || (fresh.nativeType != 0 && !decoder.checkFields(d->layout.programLayout()))) {
        setLastError(decoder.errorString());
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
