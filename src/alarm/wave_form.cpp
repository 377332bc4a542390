#include "alarm/wave_form.h"

WaveForm::WaveForm()
{
    setObjectName(QStringLiteral("frmWave"));
}

void WaveForm::SoundPlay() { }
