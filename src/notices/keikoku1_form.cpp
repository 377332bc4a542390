#include "notices/keikoku1_form.h"

Keikoku1Form::Keikoku1Form()
{
    setObjectName(QStringLiteral("keikoku1"));
    setWindowTitle(QStringLiteral("警告"));
}
