#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "entry/form1.h"
#include "shell/forms.h"

#include <QDir>
#include <QFile>
#include <QtTest>

QString settingVariables()
{
    const Form1 &f = form1();
    return QStringLiteral("%1/%2/%3 %4:%5 w%6")
        .arg(f.SetYear)
        .arg(f.SetMonth)
        .arg(f.SetDays)
        .arg(f.SetHure)
        .arg(f.SetMin)
        .arg(f.WeekFlag);
}

QString settingWindow()
{
    const Form1 &f = form1();
    const auto field = [](const QLabel *value, std::initializer_list<const QWidget *> rest) {
        int shown = value->isVisible();
        for (const QWidget *widget : rest)
            shown += widget->isVisible();
        if (shown == 0)
            return QStringLiteral("-");
        return shown == int(rest.size()) + 1 ? value->text() : QStringLiteral("?");
    };
    QString s = field(f.Label15, {f.Command12, f.Command13, f.Label6[1]}) + u'/'
        + field(f.Label14, {f.Command10, f.Command11, f.Label7[1]}) + u'/'
        + field(f.Label13, {f.Command8, f.Command9, f.Label8[1]}) + u' ' + field(f.Label12, {}) + u':'
        + field(f.Label11, {});
    for (const QCheckBox *box : {f.Check1, f.Check2, f.Check3})
        s += u' ' + QString::number(value(box)) + (box->isEnabled() ? QString() : QStringLiteral("x"));
    s += u' ';
    for (const QCheckBox *box : {f.Check4, f.Check5, f.Check6, f.Check7, f.Check8, f.Check9, f.Check10})
        s += value(box) ? box->text() : QStringLiteral("・");
    for (const QPushButton *button : {f.Command3, f.Command2, f.Command1}) {
        if (button->isVisible())
            s += u' ' + button->text();
    }
    return s;
}

bool alarmShown()
{
    return forms().Display.loaded() && forms().Display().isVisible();
}

void dismissAlarm()
{
    QTest::mouseDClick(forms().Display().Label1, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
