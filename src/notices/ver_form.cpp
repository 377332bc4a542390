#include "notices/ver_form.h"

VerForm::VerForm()
{
    setObjectName(QStringLiteral("Ver"));
    setWindowTitle(QStringLiteral("バージョン"));
}
