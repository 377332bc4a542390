#include "alarm/display_form.h"

DisplayForm::DisplayForm()
{
    setObjectName(QStringLiteral("Display"));
    setWindowTitle(QStringLiteral("Form3"));
}

void DisplayForm::present(int, const QColor &) { }
