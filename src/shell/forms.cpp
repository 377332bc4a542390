#include "shell/forms.h"

#include "alarm/display_form.h"
#include "alarm/wave_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "notices/title_form.h"
#include "notices/ver_form.h"
#include "shell/app.h"
#include "shell/icons_form.h"

#include <QCoreApplication>

template <class T> T &FormRef<T>::operator()()
{
    if (!m_form) {
        // Registered before the load step runs, so the load step may use its
        // own name without creating a second instance.
        m_form = new T;
        m_form->Form_Load();
    }
    return *m_form;
}

template <class T> FormRef<T>::~FormRef()
{
    delete m_form.data();
}

template <class T> bool FormRef<T>::shown() const
{
    return m_form && m_form->isVisible();
}

template <class T> void FormRef<T>::unload()
{
    if (!m_form)
        return;
    T *form = m_form.data();
    m_form = nullptr;
    form->stopTimers();
    form->hide();
    form->deleteLater();
}

Forms::~Forms()
{
    // Windows are destroyed in the exit order, at once.
    unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Forms::unloadAll()
{
    Display.unload();
    Edit.unload();
    frmWave.unload();
    keikoku1.unload();
    keikoku2.unload();
    MEMO.unload();
    Title.unload();
    Ver.unload();
    form1.unload();
    icons.unload();
}

Forms &forms()
{
    return App::instance().forms;
}

Form1 &form1()
{
    return forms().form1();
}
MemoForm &MEMO()
{
    return forms().MEMO();
}
EditForm &Edit()
{
    return forms().Edit();
}
IconsForm &icons()
{
    return forms().icons();
}
TitleForm &Title()
{
    return forms().Title();
}
Keikoku1Form &keikoku1()
{
    return forms().keikoku1();
}
Keikoku2Form &keikoku2()
{
    return forms().keikoku2();
}
VerForm &Ver()
{
    return forms().Ver();
}
WaveForm &frmWave()
{
    return forms().frmWave();
}

template class FormRef<Form1>;
template class FormRef<MemoForm>;
template class FormRef<EditForm>;
template class FormRef<DisplayForm>;
template class FormRef<IconsForm>;
template class FormRef<TitleForm>;
template class FormRef<Keikoku1Form>;
template class FormRef<Keikoku2Form>;
template class FormRef<VerForm>;
template class FormRef<WaveForm>;
