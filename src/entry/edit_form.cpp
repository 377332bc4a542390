#include "entry/edit_form.h"

EditForm::EditForm()
{
    setObjectName(QStringLiteral("Edit"));
    setWindowTitle(QStringLiteral("memo編集"));
}

void EditForm::open() { }
