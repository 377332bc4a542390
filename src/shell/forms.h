#pragma once

#include <QPointer>

class Form1;
class MemoForm;
class EditForm;
class DisplayForm;
class IconsForm;
class TitleForm;
class Keikoku1Form;
class Keikoku2Form;
class VerForm;
class WaveForm;

// One shared instance of a window, created on first use.
template <class T> class FormRef
{
public:
    FormRef() = default;
    FormRef(const FormRef &) = delete;
    FormRef &operator=(const FormRef &) = delete;
    ~FormRef();

    // Any use creates the window (hidden) and runs its load step.
    T &operator()();
    bool loaded() const { return !m_form.isNull(); }
    // Whether the window is on screen; unlike any other use, asking does not
    // create it (and start its timers).
    bool shown() const;
    // Destroys the window; safe from inside the window's own handlers.
    void unload();

private:
    QPointer<T> m_form;
};

// Every window of the program, by the name the program addresses it with.
struct Forms
{
    Forms() = default;
    ~Forms();

    FormRef<Form1> form1;
    FormRef<MemoForm> MEMO;
    FormRef<EditForm> Edit;
    FormRef<DisplayForm> Display;
    FormRef<IconsForm> icons;
    FormRef<TitleForm> Title;
    FormRef<Keikoku1Form> keikoku1;
    FormRef<Keikoku2Form> keikoku2;
    FormRef<VerForm> Ver;
    FormRef<WaveForm> frmWave;

    // Unloads every window in the order of an orderly exit.
    void unloadAll();
};

Forms &forms();

// Each window by its name. The alarm window is reached as forms().Display(),
// since the X11 headers that Qt includes already claim the bare name.

Form1 &form1();
MemoForm &MEMO();
EditForm &Edit();
IconsForm &icons();
TitleForm &Title();
Keikoku1Form &keikoku1();
Keikoku2Form &keikoku2();
VerForm &Ver();
WaveForm &frmWave();
