#pragma once

#include "shell/form.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

class QCloseEvent;
struct Memo;

// The memo list editor "memo編集".
class EditForm : public Form
{
    Q_OBJECT
public:
    // The slot of the line selected, or -1.
    int selectedSlot() const;
    EditForm();
    // The tray menu's "メモ編集".
    void open();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    // A memo's line in the list.
    static QString listLine(const Memo &memo);
    // Rebuilds the list from the table, line k for slot k, nothing selected.
    void fillList();

    QGroupBox *Frame1 = nullptr;
    QListWidget *List1 = nullptr;
    QPushButton *Command1 = nullptr; // 編集
    QPushButton *Command2 = nullptr; // 削除
    QPushButton *Command3 = nullptr; // 編集終了

protected:
    void closeEvent(QCloseEvent *event) override;
};
