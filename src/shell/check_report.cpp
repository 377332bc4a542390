#include "shell/check_report.h"

#include "platform/cp932_codec.h"
#include "scheduler/next_occasion.h"
#include "store/data_file.h"

#include <QDir>
#include <QLocale>

#include <optional>

using namespace check;

namespace check_report {

const QString kProgramTexts = QStringLiteral(
    "、。あいかがきくこさしすせただってでなにのまめらりれをんァイウキクコゴサシジスセソタッデトドバフペメモャョルレンー"
    "上了以再分刻削動去告土在報字定実常年情指文日時書月木毎水火現移終編行設読警起込週過金間除集音駐鳴：ＫＭＯＰＳ");

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString dateTime(const QDateTime &moment)
{
    static const char16_t *const weekdays[] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};
    return moment.toString(QStringLiteral("yyyy/MM/dd (%1) HH:mm"))
        .arg(QString::fromUtf16(weekdays[moment.date().dayOfWeek() - 1]));
}

QString displayText(const DisplayFacts &d, Mark *mark)
{
    *mark = d.kind == DisplayKind::X11 || d.kind == DisplayKind::XWayland ? Mark::Ok : Mark::Problem;
    switch (d.kind) {
    case DisplayKind::X11:
        return QStringLiteral("X11 (%1) につながります。アラームは最前面に開けます").arg(d.name);
    case DisplayKind::XWayland:
        return QStringLiteral("Wayland の上の XWayland (%1) につながります。アラームは X11 "
                              "のウィンドウとして開くので、最前面の指定が効きます")
            .arg(d.name);
    case DisplayKind::WaylandOnly:
        return QStringLiteral("Wayland (%1) だけです。Wayland "
                              "は最前面の指定を無視するので、アラームが他のウィンドウの後ろに開きます → xwayland "
                              "を入れて、DISPLAY のあるセッションで起動してください")
            .arg(d.name);
    case DisplayKind::Unreachable:
        break;
    }
    if (d.name.isEmpty())
        return QStringLiteral(
            "DISPLAY も WAYLAND_DISPLAY もありません → デスクトップのセッションの中で起動してください");
    return QStringLiteral("%1 につながりません → X サーバが動いているか、DISPLAY と XAUTHORITY を確かめてください")
        .arg(d.name);
}

QString windowManagerText(const DisplayFacts &d, const WindowManagerFacts &wm, Mark *mark)
{
    *mark = Mark::Problem;
    if (d.kind == DisplayKind::Unreachable)
        return QStringLiteral("画面につながらないので確かめられません");
    if (d.kind == DisplayKind::WaylandOnly)
        return QStringLiteral("Wayland のコンポジタはアラームを最前面に保ちません → xwayland を入れてください");
    const QString name = wm.name.isEmpty() ? QStringLiteral("名前を名乗らないウィンドウマネージャ") : wm.name;
    *mark = Mark::Ok;
    if (!wm.running)
        return QStringLiteral("動いていません。アラームを覆うものもないので、問題ありません");
    if (wm.keepsAbove)
        return QStringLiteral("%1 は最前面表示に対応しています").arg(name);
    *mark = Mark::Problem;
    return QStringLiteral("%1 は最前面表示 (_NET_WM_STATE_ABOVE) に対応していないので、アラームが他のウィンドウ"
                          "の後ろに開くことがあります → openbox、xfwm4、KWin、Mutter などに替えてください")
        .arg(name);
}

QString trayText(TrayKind tray, Mark *mark)
{
    *mark = tray == TrayKind::None ? Mark::Notice : Mark::Ok;
    if (tray == TrayKind::StatusNotifier)
        return QStringLiteral("StatusNotifier のホストがあります。アイコンはそこに出ます");
    if (tray == TrayKind::XEmbed)
        return QStringLiteral("XEmbed のトレイがあります。アイコンはそこに出ます");
    return QStringLiteral("ありません。アイコンの代わりに画面の隅の常駐表示が出ます → パネルに通知領域を加えてください "
                          "(GNOME では gnome-shell-extension-appindicator)");
}

QString soundServerText(const SoundServerFacts &s, Mark *mark)
{
    *mark = s.answers ? Mark::Ok : Mark::Problem;
    if (s.answers)
        return QStringLiteral("応答します (%1)").arg(s.server);
    const QString where
        = s.server.isEmpty() ? QString() : QStringLiteral("PULSE_SERVER=%1 を確かめるか、").arg(s.server);
    return QStringLiteral("応答しないので、音は鳴りません → %1pulseaudio か pipewire-pulse を入れて起動してください")
        .arg(where);
}

QString waveText(const QString &path, const WaveFacts &w, Mark *mark)
{
    *mark = w.exists && w.problem.isEmpty() ? Mark::Ok : Mark::Notice;
    if (!w.exists)
        return QStringLiteral("%1 がないので、「音を鳴らす」メモはベルだけです → 鳴らしたい wave "
                              "ファイルをこの名前で置いてください")
            .arg(shown(path));
    const QString details = w.format.isEmpty() ? QString()
                                               : QStringLiteral(" (%1、%2 チャンネル、%3 Hz、%4 秒)")
                                                     .arg(w.format)
                                                     .arg(w.channels)
                                                     .arg(w.rate)
                                                     .arg(w.seconds, 0, 'f', 2);
    if (w.problem.isEmpty())
        return shown(path) + details;
    return QStringLiteral("%1%2 は再生できません: %3 → PCM 16 ビットの wave に変換してください (sox 元のファイル -b 16 "
                          "rekuda31.wav)")
        .arg(shown(path), details, w.problem);
}

QString folderReason(FolderReason reason)
{
    switch (reason) {
    case FolderReason::BesideProgram:
        return QStringLiteral("プログラムと同じフォルダ");
    case FolderReason::InstallLocation:
        return QStringLiteral("プログラムがインストール先にあるので、ユーザーのデータフォルダ");
    case FolderReason::SharedProgramFolder:
        return QStringLiteral("プログラムのフォルダは他のユーザーも変えられるので、ユーザーのデータフォルダ");
    case FolderReason::ReadOnlyProgramFolder:
        return QStringLiteral("プログラムのフォルダに書き込めないので、ユーザーのデータフォルダ");
    }
    return {};
}

QString dataFileText(const QString &path, const DataFileFacts &file, const QDateTime &now, Mark *mark)
{
    *mark = file.exists ? Mark::Notice : Mark::Ok;
    if (!file.exists)
        return QStringLiteral("%1 はまだありません (メモ 0 件)").arg(shown(path));
    const Cp932Codec codec;
    if (!codec.available())
        return QStringLiteral("この Qt にはコードページ 932 がないので読めません → ICU を含む Qt を入れてください");
    const std::optional<MemoTable> table = file.readable ? data_file::parse(file.bytes, codec) : std::nullopt;
    if (!table)
        return QStringLiteral("%1 は読めません。起動すると %1.bad に移され、メモ 0 件で始まります").arg(shown(path));
    *mark = Mark::Ok;
    std::optional<QDateTime> first;
    int firstSlot = 0;
    const int count = int(table->size());
    for (int i = 0; i < count; ++i) {
        const Memo &m = table->at(i);
        const std::optional<QDateTime> when = next_occasion::next(m, now);
        if (when && (!first || *when < *first))
            first = when, firstSlot = i;
    }
    QString text = QStringLiteral("%1、メモ %2 件").arg(shown(path)).arg(count);
    if (count > 0 && !first)
        return text + QStringLiteral("、この先お知らせするメモはありません");
    if (!first)
        return text;
    const QString memoText = table->at(firstSlot).text.simplified();
    text += QStringLiteral("、次は %1「%2」")
                .arg(dateTime(*first), memoText.size() > 20 ? memoText.left(20) + QStringLiteral("…") : memoText);
    if (*first < now)
        text += QStringLiteral(" (過ぎています: 起動するとすぐ表示されます)");
    return text;
}

QString autostartText(const AutostartFacts &a, Mark *mark)
{
    *mark = !a.path.isEmpty() && !a.switchedOff ? Mark::Ok : Mark::Notice;
    if (a.path.isEmpty())
        return QStringLiteral("設定されていません → rekuda31.desktop を ~/.config/autostart/ に置いてください");
    if (a.switchedOff)
        return QStringLiteral("%1 で止められています (Hidden=true か X-GNOME-Autostart-enabled=false) → その行を消して"
                              "ください")
            .arg(shown(a.path));
    return QStringLiteral("%1 から起動します").arg(shown(a.path));
}

QString inputMethodText(const InputMethodFacts &im, Mark *mark)
{
    *mark = im.pluginFound ? Mark::Ok : Mark::Notice;
    if (im.module.isEmpty())
        return QStringLiteral("QT_IM_MODULE が設定されていないので、日本語を入力できません → fcitx5 fcitx5-mozc "
                              "fcitx5-frontend-qt6 を入れて QT_IM_MODULE=fcitx (または ibus ibus-mozc と "
                              "QT_IM_MODULE=ibus) にしてください");
    if (!im.pluginFound)
        return QStringLiteral("QT_IM_MODULE=%1 ですが、Qt 6 のプラグインがありません → %2 を入れてください")
            .arg(im.module,
                im.module.startsWith(QLatin1String("fcitx")) ? QStringLiteral("fcitx5-frontend-qt6")
                                                             : QStringLiteral("その入力メソッドの Qt 6 用プラグイン"));
    return QStringLiteral("QT_IM_MODULE=%1 (Qt 6 のプラグインがあります)").arg(im.module);
}

} // namespace

QString Report::text() const
{
    QString out;
    for (const Line &line : lines) {
        const QString mark = line.mark == Mark::Ok ? QStringLiteral("OK  ")
            : line.mark == Mark::Problem           ? QStringLiteral("NG  ")
                                                   : QStringLiteral("注意");
        out += QStringLiteral("%1 %2: %3\n").arg(mark, line.item, line.text);
    }
    out += status == 0 ? QStringLiteral("結果: 通知に要るものはそろっています\n")
                       : QStringLiteral("結果: NG の項目を直すまで、通知が届かないことがあります\n");
    return out;
}

Report build(CheckProbes &probes, const QDateTime &now)
{
    Report report;
    Mark mark = Mark::Ok;
    // Only the five deciding items can be NG; the rest say 注意 at most.
    const auto add = [&](const QString &item, const QString &text) {
        report.lines.append({item, mark, text});
        if (mark == Mark::Problem)
            report.status = 1;
    };
    const DisplayFacts display = probes.display();
    add(QStringLiteral("画面"), displayText(display, &mark));
    add(QStringLiteral("最前面表示"), windowManagerText(display, probes.windowManager(), &mark));
    add(QStringLiteral("通知領域"),
        trayText(display.kind == DisplayKind::Unreachable ? TrayKind::None : probes.tray(), &mark));

    const QString font = probes.japaneseFont(kProgramTexts);
    mark = font.isEmpty() ? Mark::Problem : Mark::Ok;
    add(QStringLiteral("日本語フォント"),
        font.isEmpty() ? QStringLiteral("プログラムの文字を表示できるフォントがないので、文字が四角になります → "
                                        "fonts-noto-cjk か fonts-ipafont-gothic を入れてください")
                       : QStringLiteral("%1 でプログラムの文字をすべて表示できます").arg(font));
    add(QStringLiteral("サウンドサーバ"), soundServerText(probes.soundServer(), &mark));

    const DataFolderFacts folder = probes.dataFolder();
    const QString wavePath = folder.path + QLatin1String("/rekuda31.wav");
    add(QStringLiteral("音声ファイル"), waveText(wavePath, probes.wave(wavePath), &mark));
    const QString bell = probes.bellSound();
    mark = bell.isEmpty() ? Mark::Notice : Mark::Ok;
    add(QStringLiteral("ベルの音"),
        bell.isEmpty() ? QStringLiteral("サウンドテーマの音がないので、画面のベルで代わりにします → "
                                        "sound-theme-freedesktop を入れてください")
                       : shown(bell));

    mark = folder.writable ? Mark::Ok : Mark::Problem;
    QString folderText = QStringLiteral("%1 (%2)").arg(shown(folder.path), folderReason(folder.reason));
    if (!folder.exists)
        folderText += QStringLiteral("、まだないので初めての起動で作られます");
    folderText += folder.writable
        ? QStringLiteral("、書き込めます")
        : QStringLiteral("、書き込めないのでメモを保存できません → フォルダの権限を確かめるか、"
                         "プログラムを自分のフォルダに置いてください");
    add(QStringLiteral("データフォルダ"), folderText);
    const QString dataPath = folder.path + QLatin1String("/rekuda31.dat");
    add(QStringLiteral("データファイル"), dataFileText(dataPath, probes.dataFile(dataPath), now, &mark));
    const qint64 running = probes.runningCopy(folder.path);
    mark = Mark::Ok;
    add(QStringLiteral("動作中のコピー"),
        running ? QStringLiteral("このフォルダのメモでプロセス %1 が動いています (そのままにしました)").arg(running)
                : QStringLiteral("ありません"));
    add(QStringLiteral("ログイン時の起動"), autostartText(probes.autostart(), &mark));
    add(QStringLiteral("日本語入力"), inputMethodText(probes.inputMethod(), &mark));
    return report;
}

} // namespace check_report
