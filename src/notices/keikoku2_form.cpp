#include "notices/keikoku2_form.h"

Keikoku2Form::Keikoku2Form()
{
    setObjectName(QStringLiteral("keikoku2"));
    setWindowTitle(QStringLiteral("警告"));
}
