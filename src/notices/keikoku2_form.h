#pragma once

#include "shell/form.h"

#include <QLabel>
#include <QPushButton>

// The warning that the memo table is full.
class Keikoku2Form : public Form
{
    Q_OBJECT
public:
    Keikoku2Form();
    void Form_Load() override;
    void Command1_Click();

    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
};
