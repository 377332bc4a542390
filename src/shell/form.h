#pragma once

#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QPlainTextEdit>
#include <QWidget>

#include <array>

class Clock;
class QLabel;

// The window model every window of the program follows.
//
// A window is one shared instance addressed by name (see forms.h). It is
// created on first use, which runs its load step, keeps its control values
// while hidden, and is destroyed by unload; the next use creates it afresh.
//
// Controls behave as the handlers expect: a check box's handler is connected
// to toggled(), so setting its value from code runs the handler whenever the
// value changes, exactly like a click; a TextBox's change handler runs when its
// text changes, whether typed or set from code, but not when it is set to the
// text it already has.
//
// Geometry is given in twips, 15 to the logical pixel; windows place their
// controls at absolute positions and Qt scales for high-DPI screens.
class Form : public QWidget
{
    Q_OBJECT
public:
    explicit Form(QWidget *parent = nullptr);

    // The load step; runs once per creation, right after the window is
    // registered under its name.
    virtual void Form_Load() { }

    static int px(int twips) { return (twips + 7) / 15; }
    static QRect twipRect(int left, int top, int width, int height);

    // Sets the client area and keeps the window at that size.
    void setClientTwips(int width, int height, bool fixed = true);
    // Centres the window on the primary screen.
    void centreOnScreen();
    // Centres the window when it is first shown; after that it stays where the user puts it.
    void centreOnFirstShow() { m_centreOnFirstShow = true; }
    void setVisible(bool visible) override;
    void setBackground(const QColor &colour);
    QColor background() const;

    // Stops the window's timers; called when the window is unloaded.
    void stopTimers();

    template <class W> W *place(W *widget, int left, int top, int width, int height)
    {
        widget->setGeometry(twipRect(left, top, width, height));
        return widget;
    }

    // The present year, month, day, hour and minute into five labels, the
    // clock read afresh for each.
    static void showClock(const std::array<QLabel *, 5> &labels, const Clock &clock);

    // The program's Japanese proportional font at the given point size.
    static QFont uiFont(qreal pointSize, bool bold = false);
    static void setBackground(QWidget *widget, const QColor &colour);

private:
    bool m_centreOnFirstShow = false;
};

// Check box values as the handlers read them: 1 checked, 0 unchecked.
int value(const QCheckBox *box);
void setValue(QCheckBox *box, int value);

// Multi-line text box whose change handler runs only on a real change.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);
    QString text() const { return toPlainText(); }
    void setText(const QString &text);

signals:
    void Change();

private:
    QString m_last;
};
