#pragma once

#include "scheduler/due_rules.h"
#include "shell/form.h"

#include <QColor>
#include <QLabel>
#include <QTimer>

// The alarm window "Form3": a borderless, topmost window in the middle of the
// screen that shows a memo that falls due, its scheduled date and time and the
// present time. Double-clicking the memo text dismisses it; a double-click on
// the margin around the labels ends the program at once.
class DisplayForm : public Form
{
    Q_OBJECT
public:
    DisplayForm();
    void Form_Load() override;

    // A memo presented in its own minute, and every repeating memo.
    static QColor dueColour() { return QColor(255, 255, 128); }
    // A one-off memo presented after its minute, and a window left up a minute.
    static QColor lateColour() { return QColor(255, 128, 128); }

    // Paints the window in the colour for how timely the memo is and, unless
    // a memo is already on screen, plays the memo's sound, shows the memo
    // for its occasion and makes the window visible.
    void present(const due_rules::DueMemo &due);

    void Timer1_Timer();
    void Timer2_Timer();
    void Label1_DblClick();
    void Form_DblClick();

    // Scheduled row ("実行日時").
    QLabel *Label11 = nullptr; // year
    QLabel *Label5 = nullptr; // month
    QLabel *Label4 = nullptr; // day
    QLabel *Label3 = nullptr; // hour
    QLabel *Label2 = nullptr; // minute
    // Present-time row ("現在時刻").
    QLabel *Label12 = nullptr;
    QLabel *Label13 = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label16 = nullptr;
    // Captions: Label6(1) "実行日時", Label6(2) "現在時刻", Label6(0) and
    // Label6(3) "年"; index 0 of the others belongs to the scheduled row.
    QLabel *Label6[4] = {};
    QLabel *Label7[2] = {};
    QLabel *Label8[2] = {};
    QLabel *Label9[2] = {};
    QLabel *Label10[2] = {};
    // Overlays of the scheduled row for repeating memos.
    QLabel *Label17 = nullptr;
    QLabel *Label18 = nullptr;
    // The memo text, and the double-click target for dismissal.
    QLabel *Label1 = nullptr;

    QTimer *Timer1 = nullptr; // 60 s: turns the window light red
    QTimer *Timer2 = nullptr; // 1 s: refreshes every cell

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void buildControls();
    QLabel *cell(const QString &name, const QString &caption, int left, int top, int width, int height,
        const QColor &colour, Qt::Alignment alignment);
    void fillScheduledRow();
    void fillPresentRow();
    void fillMemoText();
    void arrangeFor(const Memo &memo);
    // The occasion on screen: its dismissal marks it presented.
    QDateTime m_occasion;
};
