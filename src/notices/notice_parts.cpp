#include "notices/notice_parts.h"

#include "shell/form.h"
#include "shell/icons_form.h"

QPixmap warningPicture()
{
    return IconsForm::artwork(QStringLiteral(":/rekuda31/warning32.xpm"));
}

QLabel *noticeLabel(
    QWidget *parent, const QString &text, qreal points, bool bold, Qt::Alignment alignment, const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    label->setFont(Form::uiFont(points, bold));
    label->setAlignment(alignment);
    if (colour.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
    return label;
}

QLabel *pictureBox(QWidget *parent, const QPixmap &picture, const QColor &background)
{
    auto *box = new QLabel(parent);
    box->setPixmap(picture);
    box->setAlignment(Qt::AlignCenter);
    Form::setBackground(box, background);
    return box;
}
