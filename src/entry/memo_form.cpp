#include "entry/memo_form.h"

MemoForm::MemoForm()
{
    setObjectName(QStringLiteral("MEMO"));
    setWindowTitle(QStringLiteral("Memo"));
    Text1 = new TextBox(this);
    Command1 = new QPushButton(QStringLiteral("ＯＫ"), this);
    Command2 = new QPushButton(QStringLiteral("キャンセル"), this);
}

void MemoForm::Form_Load() { }
