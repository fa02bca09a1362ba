// Feeds arbitrary bytes to the native image detection and, when an adapter
// accepts them, checks, reads and writes back what it read, in its own
// version and converted to every other 3.x version.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

#include "CnfController.h"
#include "CnfNative.h"

namespace {

// What a writer produces must be readable again, as the version it was
// written for.
void checkWritten(const QByteArray& image, const QString& version)
{
    if (image.isEmpty())
        return;
    CnfController again;
    const QSharedPointer<CnfNative> reread = CnfNative::loadNativeConfig(image);
    if (!reread || reread->version() != version || !reread->checkCRC() || !reread->createController(again))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QSharedPointer<CnfNative> adapter = CnfNative::loadNativeConfig(bytes);
    if (!adapter)
        return 0;
    adapter->checkCRC();
    CnfController controller;
    if (!adapter->createController(controller))
        return 0;
    const QString version = controller.property("version").toString();
    checkWritten(adapter->save(controller), adapter->version());
    adapter->createDynamicProgram(controller, {});
    if (controller.property("type").toString() != QLatin1String("norvak"))
        return 0;
    // Converted to every other version through the file entry point, which
    // picks the writer by the controller's new version.
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("converted.bin"));
    for (const char* target : {"3.14", "3.15", "3.16", "3.17", "3.18"}) {
        const QString targetVersion = QString::fromLatin1(target);
        if (version == targetVersion)
            continue;
        CnfController converted;
        adapter->createController(converted);
        CnfNative::initController(converted, QStringLiteral("norvak"), targetVersion);
        if (!CnfNative::save(path, converted, nullptr))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            __builtin_trap();
        checkWritten(file.readAll(), targetVersion);
    }
    return 0;
}
