#pragma once

#include "shell/form.h"

#include <QPushButton>

class QCloseEvent;

// The memo text window "Memo".
class MemoForm : public Form
{
    Q_OBJECT
public:
    MemoForm();
    void Form_Load() override;

    void Text1_Change();
    void Command1_Click();
    void Command2_Click();

    void setVisible(bool visible) override;

    TextBox *Text1 = nullptr;
    QPushButton *Command1 = nullptr; // ＯＫ
    QPushButton *Command2 = nullptr; // キャンセル

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_placed = false;
};
