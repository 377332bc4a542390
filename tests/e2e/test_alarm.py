#!/usr/bin/python3
"""Memos falling due under a fake wall clock (libfaketime), seen and heard.

Catches: an alarm window mapped before its minute or over a second into it, not kept
above other windows, not light yellow (light red for a memo missed while the program
was not running, which must show at start); a double click on its text that does not
close it or rewrite the data file byte for byte in code page 932 (or leaves an empty
file behind); a wave file whose own tone never reaches the sound server (the bell alone
does), starts over 1 s late or is cut short; an audio stream open before or after the
sound; with no sound server, an alarm that comes late or a program that dies.
"""
import datetime as dt
import subprocess
import time
import unittest

import harness as h

START, DUE = "2026-12-25 14:29:58", dt.datetime(2026, 12, 25, 14, 30)
MEETING = (30, 14, 25, 12, 2026, "会議", 1, 0)
SHOPPING = (0, 9, 26, 12, 2026, "買物～牛乳①", 0, 0)  # characters only code page 932 has
TEXT, MARGIN, CORNER = (2000, 1500), (60, 1500), (4200, 2800)  # twips, in "Form3"
FREQ, SECONDS = 660, 1.5


class Alarm(h.E2ECase):

    def alarm(self, inst, colour, due, late=1.2):
        win = inst.window("Form3", timeout=3.0)
        # Seen by a poll, so a little after it was mapped.
        self.assertLess(time.monotonic() - inst.monotonic_at(due), late, "the alarm came late")
        self.assertTrue(win.above, "the alarm is not kept above other windows")
        time.sleep(0.2)  # painted
        self.assertEqual([self.session.pixel(*win.at(*p)) for p in (MARGIN, CORNER)], [colour] * 2)
        return win

    def dismiss(self, inst, win, left):
        self.session.click(*win.at(*TEXT), double=True)
        inst.wait_gone("Form3", timeout=3)
        h.wait_until(lambda: inst.program.read() == left, 3, "the memo to leave the file")
        self.assertTrue(inst.alive(), inst.output())

    def wave(self):
        """The tone as an IMA ADPCM wave file."""
        subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-e", "ima-adpcm", self.session.tmp / "tone.wav",
                        "synth", str(SECONDS), "sine", str(FREQ), "vol", "0.5"], check=True, timeout=10)
        return self.session.tmp / "tone.wav"

    def test_alarm_and_tone_in_their_minute_and_dismissal_rewrites_file(self):
        rec = self.session.record()
        inst = self.program(h.data_file(MEETING, SHOPPING), self.wave()).start(START)
        inst.sleep_until(DUE - dt.timedelta(seconds=0.25))
        self.assertEqual(inst.windows("Form3"), [], "the alarm came before its minute")
        self.assertEqual(self.session.sink_inputs(), "", "a stream is open before any sound")
        win = self.alarm(inst, (255, 255, 128), DUE)
        due = inst.monotonic_at(DUE)
        time.sleep(max(0.0, due + SECONDS + 1.5 - time.monotonic()))
        seconds, began = self.session.tone(rec, FREQ)
        self.assertIsNotNone(began, f"no {FREQ} Hz tone on the sink")
        self.assertLess(began - due, 1.0, "the tone began more than 1 s after the alarm")
        self.assertGreater(seconds, SECONDS - 0.2, "the tone was cut short")
        h.wait_until(lambda: self.session.sink_inputs() == "", 3, "the audio streams to close")
        self.dismiss(inst, win, h.data_file(SHOPPING))

    def test_missed_memo_shows_at_start(self):
        inst = self.program(h.data_file(MEETING)).start("2026-12-25 14:31:00")
        win = self.alarm(inst, (255, 128, 128), DUE + dt.timedelta(minutes=1), late=2.0)  # from the start
        self.dismiss(inst, win, None)

    def test_no_sound_server_alarm_still_on_time(self):
        prog = self.program(h.data_file(MEETING), self.wave())
        inst = prog.start(START, {"PULSE_SERVER": "unix:/nonexistent"})  # finds no server
        win = self.alarm(inst, (255, 255, 128), DUE)
        inst.sleep_until(DUE + dt.timedelta(seconds=SECONDS + 2))
        self.dismiss(inst, win, None)


if __name__ == "__main__":
    unittest.main(verbosity=2)
