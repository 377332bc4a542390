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

    // The text typed so far.
    QString text() const { return Text1->text(); }
    // Ready for a new memo: no text, and no "ＯＫ" until something is typed.
    void startNewMemo();
    // Ready to change a stored memo's text (line breaks as the table stores them).
    void startEditing(const QString &text);
    // The memo in hand is gone: the window closes, empty.
    void clear();

    void Text1_Change();
    void Command1_Click();
    void Command2_Click();

    TextBox *Text1 = nullptr;
    QPushButton *Command1 = nullptr; // ＯＫ
    QPushButton *Command2 = nullptr; // キャンセル

protected:
    void closeEvent(QCloseEvent *event) override;
};
