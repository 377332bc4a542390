"""rekuda31 --check on a real display. Catches: a deciding line not OK or a status other than 0 where everything is
there (openbox, trayer, a null sink, IPA fonts, a wave), or a check slower than 1 s; no window manager or no tray
taken for a fault; a running copy not reported, ended, or its lock lost to a second start; a check that writes into
the folder or the lock's. The probes and the report's other lines are tst_check's part."""
import os, signal, subprocess, time
import harness as h

NOW = "2026-12-25 14:00:00"
MEMOS = ((0, 9, 0, 0, 0, "薬".encode("cp932"), 0, 0), (30, 14, 25, 12, 2026, "歯医者".encode("cp932"), 1, 0))
DECIDING = ("画面", "最前面表示", "日本語フォント", "サウンドサーバ", "データフォルダ")


class Check(h.Session):

    def check(self, folder, **env):
        faked = dict(FAKETIME="@" + NOW, LD_PRELOAD="/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1")
        began = time.monotonic()
        run = subprocess.run([folder / "rekuda31", "--check"], env=dict(self.env, **faked, **env), cwd=folder,
                             capture_output=True, text=True, timeout=10)
        report = {}
        for line in run.stdout.splitlines()[:-1]:  # "MARK ITEM: TEXT", then the verdict
            head, text = line.split(": ", 1)
            mark, item = head.split(None, 1)
            report[item] = (mark, text)
        return run.returncode, report, time.monotonic() - began

    def snapshot(self, folder):
        return self.files(folder), sorted(p.name for p in self.tmp.rglob("*.lock"))

    def test_report_status_and_running_copy(self):
        subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", "-e", "signed-integer",
                        self.tmp / "a.wav", "synth", "1.5", "sine", "660"], check=True, timeout=10)
        folder = self.program(h.data_file(*MEMOS), self.tmp / "a.wav")
        status, report, _ = self.check(folder)  # no window manager: nothing can cover the alarm
        self.assertEqual((status, report["最前面表示"][0], "動いていません" in report["最前面表示"][1]), (0, "OK", True))

        self.spawn(["openbox"])
        h.wait_until(lambda: "window id" in self.sh("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"), 10, "openbox")
        before = self.snapshot(folder)
        status, report, took = self.check(folder)
        self.assertEqual((status, [report[i][0] for i in DECIDING + ("通知領域",)], took < 1.0, self.snapshot(folder)),
                         (0, ["OK"] * 6, True, before), report)
        for item, says in (("最前面表示", "Openbox"), ("音声ファイル", "WAVE、PCM 16 ビット、1 チャンネル、22050 Hz、1.50 秒"),
                           ("データファイル", "メモ 2 件、次は 2026/12/25 (金) 14:30「歯医者」")):
            self.assertIn(says, report[item][1])

        first = self.start(folder, NOW)
        h.wait_until(lambda: first.pid in self.tray(), 3, "tray icon")
        before = self.snapshot(folder)
        status, report, _ = self.check(folder)
        self.assertEqual((status, report["動作中のコピー"]), (0, ("OK", f"このフォルダのメモでプロセス {first.pid} が動いています (そのままにしました)")))
        elsewhere = self.tmp / "another-login"  # another environment: the lock is the data folder's own
        elsewhere.mkdir()
        again = self.start(folder, NOW, HOME=str(elsewhere), XDG_RUNTIME_DIR=str(elsewhere), XDG_CACHE_HOME=str(elsewhere))
        self.assertEqual(again.wait(3), 0)  # the lock is still the running copy's
        self.assertEqual((first.poll(), list(self.tray()), self.snapshot(folder)), (None, [first.pid], before))

        os.kill(int(self.sh("xprop", "-id", self.panel, "_NET_WM_PID").split()[-1]), signal.SIGTERM)
        status, report, _ = h.wait_until(lambda: (r := self.check(folder))[1]["通知領域"][0] != "OK" and r, 5, "no tray")
        self.assertEqual((status, report["通知領域"][0], "常駐表示" in report["通知領域"][1]), (0, "注意", True))
