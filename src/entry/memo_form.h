#pragma once

#include "shell/form.h"

#include <QPushButton>

// The memo text window "Memo".
class MemoForm : public Form
{
    Q_OBJECT
public:
    MemoForm();
    void Form_Load() override;

    TextBox *Text1 = nullptr;
    QPushButton *Command1 = nullptr; // ＯＫ
    QPushButton *Command2 = nullptr; // キャンセル
};
