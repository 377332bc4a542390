#pragma once

#include "shell/form.h"
#include "store/memo_table.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <optional>

class QCloseEvent;
class SecondTimer;

// A memo the list editor took out of the table to be changed. It lives only in
// the setting window until "設定" adds it again, so it is kept here to be put
// back if the program ends (or the window is reset) first.
struct TakenMemo
{
    int slot = 0;
    qint16 min = 0;
    qint16 hour = 0;
    qint16 days = 0;
    qint16 month = 0;
    qint16 year = 0;
    QString text;
    qint16 sound = 0;
    qint16 week = 0;

    // Puts the memo back into slots 0 .. count-1, where it was taken from
    // unless memos that came or went since then put that place out of date
    // order; false when the table has no free slot.
    bool insertInto(MemoTable &table, qint16 &count) const;
};

// The main window: the memo setting window as its visible face, and the owner
// of the public variables, the one-second tick, FileWrite and the tray callback.
class Form1 : public Form, public MainVariables
{
    Q_OBJECT
public:
    Form1();
    ~Form1() override;

    // Adds the memo being set to the table, in order, and rewrites the file.
    void FileWrite();

    // The tray menu's "メモ設定".
    void openForNewMemo();
    // Release of the left button over the tray icon.
    void trayButtonReleased(const QPoint &globalPos);

    // The one-second tick: clock labels, then the due check.
    void Timer1_Timer();

    void WeekOn();
    void WeekOff();

    // The list editor hands over the memo it removed for editing.
    void holdTakenMemo(const TakenMemo &memo);
    bool editPending() const { return m_taken.has_value(); }
    const std::optional<TakenMemo> &takenMemo() const { return m_taken; }
    // Puts a memo taken for editing back into the table and the data file, in
    // its place, and closes the edit. Does nothing when no edit is pending.
    void restorePendingEdit();
    // The desktop session asks for its data to be saved: the data file gets
    // the memo out for editing as well, so that the memo survives a session
    // that ends without telling us, while the edit itself goes on.
    void commitData();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
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

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void connectHandlers();
    void weekdayClicked(QCheckBox *box, qint16 bit);
    void clearMemoInHand();
    void setYearField(bool visible);
    void setMonthField(bool visible);
    void setDayField(bool visible);
    void refillYear();
    void refillMonth();
    void refillDay();

    std::optional<TakenMemo> m_taken;
    bool m_placed = false;
};
