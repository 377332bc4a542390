#include "alarm/wave_form.h"

#include "entry/form1.h"
#include "shell/app.h"

WaveForm::WaveForm()
{
    setObjectName(QStringLiteral("frmWave"));
}

void WaveForm::SoundPlay()
{
    Platform &os = App::instance().os;
    // A sound still playing stops here; the file then plays from its start.
    os.sound->close();
    os.sound->play(form1().SundFile);
    os.beeper->beep();
}
