#include "alarm/wave_form.h"

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
    os.sound->play(App::instance().book.soundFile());
    os.beeper->beep();
}
