#include "framework/PlatformStartup.h"

#include <QByteArray>

void PrepareProcessForWindowLayer()
{
    // Text is laid out and drawn with DirectWrite: the GDI font engine's
    // line metrics disagree with its own layouts on some systems (Wine among
    // them), which puts an edit box's text outside the box. A platform the
    // user chose with -platform or QT_QPA_PLATFORM wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("windows:fontengine=directwrite"));
}
