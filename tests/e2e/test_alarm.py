"""A memo falling due under a fake wall clock, seen and heard. Catches: an alarm early, over 1 s late, not on top or
not light yellow; a double click on its text not closing it or not rewriting the file in code page 932; a tone that
never plays, starts over 1 s late or is cut short; with no sound server, a late alarm or a dead program; a memo
another program writes meanwhile that does not fall due."""
import datetime as dt, subprocess, time
import harness as h

START, DUE = "2026-12-25 14:29:58", dt.datetime(2026, 12, 25, 14, 30)
MEETING = (30, 14, 25, 12, 2026, "会議".encode("cp932"), 1, 0)
SHOPPING = (0, 9, 26, 12, 2026, "買物～牛乳①".encode("cp932") + b"\xfb\xfc", 0, 0)  # FB FC: Windows' 髙
TEXT, MARGIN, CORNER = (2000, 1500), (60, 1500), (4200, 2800)  # twips, in "Form3"
FREQ, SECONDS, RATE = 660, 1.5, 22050


class Alarm(h.Session):

    def test_alarm_and_tone_in_their_minute_with_and_without_sound_server(self):
        wave, raw = self.tmp / "tone.wav", self.tmp / "rec.raw"  # IMA ADPCM
        subprocess.run(["sox", "-n", "-r", str(RATE), "-c", "1", "-e", "ima-adpcm", wave, "synth", str(SECONDS),
                        "sine", str(FREQ), "vol", "0.5"], check=True, timeout=10)
        rec = self.spawn(["parec", "-d", "nul.monitor", "--format=s16le", f"--rate={RATE}", "--channels=1",
                          "--latency-msec=50", raw])
        folder = self.program(h.data_file(MEETING, SHOPPING), wave)
        heard = self.start(folder, START)
        quiet = self.program(h.data_file(), wave)
        mute = self.start(quiet, START, PULSE_SERVER="unix:/nonexistent")
        time.sleep(max(0, heard.at(DUE) - 1.0 - time.monotonic()))
        (quiet / h.DATA).write_bytes(h.data_file(MEETING))  # another program, while it runs
        time.sleep(max(0, heard.at(DUE) - 0.25 - time.monotonic()))
        self.assertEqual(self.windows(heard, "Form3") + self.windows(mute, "Form3"), [], "alarm too early")
        for proc in mute, heard:
            win = self.window(proc, "Form3", timeout=3)
            self.assertLess(time.monotonic() - proc.at(DUE), 1.2, "the alarm came late")  # seen by a poll
            self.assertTrue(win.above, "the alarm is not kept above other windows")
        time.sleep(max(0, heard.at(DUE) + SECONDS + 1.5 - time.monotonic()))
        h.stop(rec)
        stopped = time.monotonic()
        # In 10 ms steps, band-passed at FREQ: the bell that follows every sound has almost nothing there.
        pcm = subprocess.run(["sox", "-t", "s16", "-r", str(RATE), "-c", "1", raw, "-t", "raw", "-", "sinc",
                              f"{FREQ - 30}-{FREQ + 30}"], capture_output=True, timeout=10, check=True).stdout
        samples, n = memoryview(pcm[: len(pcm) // 2 * 2]).cast("h"), RATE // 100
        loud = [sum(v * v for v in samples[i:i + n]) / n > (0.05 * 32768) ** 2 for i in range(0, len(samples) - n, n)]
        self.assertTrue(any(loud), f"no {FREQ} Hz tone on the sink")
        began = stopped - len(samples) / RATE + loud.index(True) / 100
        self.assertLess(began - heard.at(DUE), 1.0, "the tone began more than 1 s after the alarm")
        self.assertGreater(sum(loud) / 100, SECONDS - 0.2, "the tone was cut short")
        self.assertIsNone(mute.poll(), "the program died without a sound server")
        h.stop(mute)  # its alarm lies over the other one
        for x, y in win.at(*MARGIN), win.at(*CORNER):
            pixel = self.sh("import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-")
            self.assertIn(" #FFFF80", pixel, "the alarm is not light yellow")
        self.click(*win.at(*TEXT), repeat=2)
        h.wait_until(lambda: not self.windows(heard, "Form3"), 3, "end of the alarm")
        h.wait_until(lambda: self.files(folder) == {h.DATA: h.data_file(SHOPPING)}, 3, "memo out of the file")
        self.assertIsNone(heard.poll())
