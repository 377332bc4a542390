#pragma once

#include "shell/form.h"

#include <QLabel>
#include <QTimer>

// The splash shown for 800 ms at start-up.
class TitleForm : public Form
{
    Q_OBJECT
public:
    TitleForm();
    void Form_Load() override;
    void Timer1_Timer();

    QLabel *Picture1 = nullptr;
    QLabel *Label1 = nullptr; // Rekuda31
    QLabel *Label2 = nullptr; // タスクトレイに常駐しました
    QLabel *Label3 = nullptr; // メモを設定しました
    QTimer *Timer1 = nullptr;
};
