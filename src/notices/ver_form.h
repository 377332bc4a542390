#pragma once

#include "shell/form.h"

#include <QLabel>
#include <QPushButton>

// The version window of the tray menu's "バージョン情報".
class VerForm : public Form
{
    Q_OBJECT
public:
    VerForm();
    void Form_Load() override;
    void Command1_Click();

    QLabel *Picture1 = nullptr;
    QLabel *Label1 = nullptr; // Rekuda31
    QLabel *Label2 = nullptr; // Ver1.10
    QPushButton *Command1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
};
