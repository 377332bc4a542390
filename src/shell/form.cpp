#include "shell/form.h"

#include "platform/clock.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

Form::Form(QWidget *parent)
    : QWidget(parent)
{
    setFont(uiFont(9));
}

QRect Form::twipRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

void Form::setClientTwips(int width, int height, bool fixed)
{
    const QSize size(px(width), px(height));
    if (fixed)
        setFixedSize(size);
    else
        resize(size);
}

void Form::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize frame = frameGeometry().size().expandedTo(size());
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}

void Form::setVisible(bool visible)
{
    if (visible && m_centreOnFirstShow) {
        m_centreOnFirstShow = false;
        centreOnScreen();
    }
    QWidget::setVisible(visible);
}

void Form::setBackground(const QColor &colour)
{
    setBackground(this, colour);
}

void Form::setBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QColor Form::background() const
{
    return palette().color(QPalette::Window);
}

void Form::stopTimers()
{
    for (QTimer *timer : findChildren<QTimer *>())
        timer->stop();
}

void Form::showClock(const std::array<QLabel *, 5> &labels, const Clock &clock)
{
    labels[0]->setText(QString::number(clock.year()));
    labels[1]->setText(QString::number(clock.month()));
    labels[2]->setText(QString::number(clock.day()));
    labels[3]->setText(QString::number(clock.hour()));
    labels[4]->setText(QString::number(clock.minute()));
}

QFont Form::uiFont(qreal pointSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
        QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

int value(const QCheckBox *box)
{
    return box->isChecked() ? 1 : 0;
}

void setValue(QCheckBox *box, int value)
{
    box->setChecked(value != 0);
}

TextBox::TextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        const QString now = toPlainText();
        if (now == m_last)
            return;
        m_last = now;
        emit Change();
    });
}

void TextBox::setText(const QString &text)
{
    if (text == toPlainText())
        return;
    setPlainText(text);
}
