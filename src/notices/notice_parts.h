#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>

// Pieces the notice windows share.

// The warning sign, 32 x 32.
QPixmap warningPicture();

// A label in the program's font; an invalid colour keeps the window's text colour.
QLabel *noticeLabel(QWidget *parent, const QString &text, qreal points, bool bold, Qt::Alignment alignment,
    const QColor &colour = QColor());

// A picture box: the picture in the middle of a background of its own.
QLabel *pictureBox(QWidget *parent, const QPixmap &picture, const QColor &background);
