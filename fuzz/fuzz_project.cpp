// Feeds arbitrary bytes to the project document reader, writes what was read
// and reads that again: the output is always XML, and whatever loads saves as
// a document that loads.
#include <QByteArray>
#include <QDomDocument>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "CnfController.h"

// Text that XML cannot carry (control characters, which the parser lets
// through) is dropped on writing, so such a document need not read back.
static bool carriesOnlyXmlText(const QByteArray& bytes)
{
    for (char c : bytes) {
        if (uchar(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
    }
    return !bytes.contains("&#");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    Q_UNUSED(quiet);
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    for (bool strict : {false, true}) {
        CnfController controller;
        const bool loaded = controller.load(bytes, strict);
        const QByteArray saved = controller.save(-1);
        if (saved.isEmpty())
            continue;
        if (!QDomDocument().setContent(saved))
            std::abort();
        CnfController reread;
        if (!reread.load(saved, false) && loaded && !strict && carriesOnlyXmlText(bytes))
            std::abort();
        reread.save(2);
    }
    return 0;
}
