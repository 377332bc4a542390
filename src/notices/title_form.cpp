#include "notices/title_form.h"

TitleForm::TitleForm()
{
    setObjectName(QStringLiteral("Title"));
    setWindowTitle(QStringLiteral("Title"));
}
