#pragma once

#include "shell/form.h"
#include "store/memo_draft.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

class QCloseEvent;
class SecondTimer;

// The main window: the memo setting window as its visible face, the memo being
// set, the one-second tick with the due check, and the tray callback.
class Form1 : public Form
{
    Q_OBJECT
public:
    Form1();
    ~Form1() override;

    // The memo being set (SetMin ... WeekFlag).
    MemoDraft draft;

    // Sets the memo being set, with the text window's text: FileWrite.
    void FileWrite();

    // The tray menu's "メモ設定": a new memo at the present minute.
    void openForNewMemo();
    // The list editor hands over a memo it took out of the table to be changed.
    void editMemo(const Memo &memo);
    // The text window's "ＯＫ": the memo can be set.
    void textConfirmed();
    // Puts a memo out for editing back into the table and closes the edit.
    void restorePendingEdit();

    // The one-second tick: clock labels, then the due check.
    void Timer1_Timer();

    void WeekOn();
    void WeekOff();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click() { step(MemoDraft::Minute, +1); }
    void Command5_Click() { step(MemoDraft::Minute, -1); }
    void Command6_Click() { step(MemoDraft::Hour, +1); }
    void Command7_Click() { step(MemoDraft::Hour, -1); }
    void Command8_Click() { step(MemoDraft::Day, +1); }
    void Command9_Click() { step(MemoDraft::Day, -1); }
    void Command10_Click() { step(MemoDraft::Month, +1); }
    void Command11_Click() { step(MemoDraft::Month, -1); }
    void Command12_Click() { step(MemoDraft::Year, +1); }
    void Command13_Click() { step(MemoDraft::Year, -1); }
    void Check2_Click();
    void Check3_Click();

    // Current time ("現在時刻").
    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6[2] = {};
    QLabel *Label7[2] = {};
    QLabel *Label8[2] = {};
    QLabel *Label9[2] = {};
    QLabel *Label10[2] = {};

    // Sound.
    QGroupBox *Frame2 = nullptr;
    QCheckBox *Check1 = nullptr;

    // Execution date and time ("実行日時").
    QGroupBox *実行時間 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label13 = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label15 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command9 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command12 = nullptr;
    QPushButton *Command13 = nullptr;

    // Repetition.
    QGroupBox *Frame3 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QCheckBox *Check4 = nullptr;
    QCheckBox *Check5 = nullptr;
    QCheckBox *Check6 = nullptr;
    QCheckBox *Check7 = nullptr;
    QCheckBox *Check8 = nullptr;
    QCheckBox *Check9 = nullptr;
    QCheckBox *Check10 = nullptr;

    QPushButton *Command1 = nullptr; // キャンセル
    QPushButton *Command2 = nullptr; // メモ
    QPushButton *Command3 = nullptr; // 設定

    SecondTimer *Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void connectHandlers();
    void step(MemoDraft::Field field, int by);
    void weekdayClicked(QCheckBox *box, qint16 bit);
    void clearMemoInHand();
    // The value label, and the present-time label, of a field.
    QLabel *valueLabel(MemoDraft::Field field) const;
    QLabel *clockLabel(MemoDraft::Field field) const;
    // Shows or hides a date field's value and buttons; shown, it is refilled
    // from the present time, hidden, the memo has none.
    void setDateField(MemoDraft::Field field, bool shown);
    std::array<QWidget *, 4> dateControls(MemoDraft::Field field) const;
};
