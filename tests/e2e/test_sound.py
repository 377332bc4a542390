#!/usr/bin/python3
"""The sound of a memo on a PulseAudio null sink, a machine without any sound
server, and the exit's bell that must not keep the next start out."""
import array
import datetime as dt
import math
import struct
import sys
import time
import unittest

import harness as h

FAKE = "2026-12-25 14:29:58"
DUE = dt.datetime(2026, 12, 25, 14, 30, 0)
FREQ = 660
SECONDS = 1.5


def float_extensible_wave(path, rate=22050):
    """A 32-bit float WAVE_FORMAT_EXTENSIBLE file of the tone (sox writes plain float)."""
    samples = array.array("f", (0.5 * math.sin(2 * math.pi * FREQ * i / rate) for i in range(int(rate * SECONDS))))
    fmt = struct.pack("<HHIIHHHHI16s", 0xFFFE, 1, rate, rate * 4, 4, 32, 22, 32, 0x4,
                      bytes.fromhex("0300000000001000800000aa00389b71"))
    data = samples.tobytes()
    path.write_bytes(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVEfmt "
                     + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data)
    return path


def sink_inputs(session):
    return session.run(["pactl", "list", "short", "sink-inputs"]).stdout.strip()


class WaveOnTheSink(h.E2ECase):

    def check_tone(self, wave):
        prog = self.program(data=h.data_file((30, 14, 25, 12, 2026, "音", 1, 0)), wave=wave)
        recording = self.session.start_recording()
        inst = prog.start(faketime=FAKE)
        inst.sleep_until_fake(DUE - dt.timedelta(seconds=0.5))
        self.assertEqual(sink_inputs(self.session), "", "an audio stream is open before any sound")
        inst.window("Form3", timeout=3)
        due = inst.started + (DUE - inst.fake_start).total_seconds()
        time.sleep(max(0.0, due + SECONDS + 1.5 - time.monotonic()))
        recording.stop()

        seconds, offset = h.tone_in_raw(recording.path, FREQ)
        total = recording.path.stat().st_size / 2 / 22050
        self.assertIsNotNone(offset, f"no {FREQ} Hz tone on the sink")
        onset = recording.stopped - (total - offset) - due
        print(f"\n[e2e] {wave.name}: {seconds:.2f} s of the tone, from {onset * 1000:.0f} ms "
              "after its minute began", file=sys.stderr)
        self.assertLess(onset, 1.0, "the tone began more than 1 s after the alarm")
        self.assertGreater(seconds, SECONDS - 0.2, "the tone did not last as long as the wave")
        # Once it has ended, its stream (and the bell's) is closed again.
        h.wait_until(lambda: sink_inputs(self.session) == "", 3, "the audio streams to close")
        self.assertTrue(inst.alive(), inst.output())

    def test_ima_adpcm_wave_plays_its_own_tone(self):
        self.check_tone(h.make_wave(self.session.tmp / "ima.wav", SECONDS, FREQ, encoding=("ima-adpcm", None)))

    def test_float_extensible_wave_plays_its_own_tone(self):
        self.check_tone(float_extensible_wave(self.session.tmp / "float.wav"))


class NoSoundServer(h.E2ECase):
    sound = False

    def test_memo_with_sound_is_presented_and_the_next_one_follows(self):
        memos = h.data_file((30, 14, 25, 12, 2026, "一つ目", 1, 0), (30, 14, 25, 12, 2026, "二つ目", 1, 0))
        wave = h.make_wave(self.session.tmp / "tone.wav")
        prog = self.program(data=memos, wave=wave)
        inst = prog.start(faketime=FAKE, env={"PULSE_SERVER": "unix:/nonexistent"})
        first = inst.window("Form3", timeout=3)
        due = inst.started + (DUE - inst.fake_start).total_seconds()
        self.assertLess(time.monotonic() - due, 1.0, "the alarm came late")
        inst.sleep_until_fake(DUE + dt.timedelta(seconds=5))
        self.assertTrue(inst.alive(), inst.output())
        self.session.double_click_twips(first, 2000, 1500)
        h.wait_until(lambda: prog.read() == h.data_file((30, 14, 25, 12, 2026, "二つ目", 1, 0)), 3,
                     "the first memo to leave the file")
        inst.window("Form3", timeout=3)
        time.sleep(2)
        self.assertTrue(inst.alive(), inst.output())


class ExitThenStart(h.E2ECase):

    def test_new_start_right_after_exit_runs(self):
        memos = h.data_file((0, 9, 1, 1, 2027, "来年", 1, 0))
        prog = self.program(data=memos)
        old = prog.start(faketime=FAKE)
        old.tray_icon(timeout=2.0)
        old.open_tray_menu()
        self.session.key("Up", "Return")  # "終了", the last entry
        time.sleep(0.15)
        new = prog.start(faketime=FAKE)
        self.assertEqual(old.wait(3.0), 0, old.output())
        time.sleep(max(0.0, new.started + 3.0 - time.monotonic()))
        self.assertTrue(new.alive(), new.output())
        self.assertEqual([w.pid for w in self.session.tray_icons()], [new.pid])
        self.assertEqual(prog.read(), memos)


if __name__ == "__main__":
    unittest.main(verbosity=2)
