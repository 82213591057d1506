#pragma once
// The launcher's own sentences, each in English and in Japanese, all in this one
// table; %1, %2 stand for what Say fills in.
#include "platform/kernel/MessageLanguage.h"

namespace launcher {

using kernel::Message;
using kernel::Say;

// The command line.
inline constexpr Message kUsage{
    "Usage: kolm [--drive FILE]... [--as-root]\n"
    "       kolm --list [--drive FILE]...\n"
    "Kolm shows the sectors of a disk, searches them, scans them and copies disks to\n"
    "image files and back.\n"
    "\n"
    "  --drive FILE     attach the image file FILE as a stand-in disk; it is listed\n"
    "                   after the machine's own disks, in the order given (repeatable)\n"
    "  --list           print what each entry of the drive list is on this machine\n"
    "                   (device, model, size, mount point) and exit\n"
    "  --as-root        start again as root through pkexec, which asks for the\n"
    "                   password; only for machines without udisks2\n"
    "  --startup-check  open the window, print its drive list, close it again at once\n"
    "                   and exit; status 0 when Kolm can start here\n"
    "  --help           show this text and exit\n"
    "\n"
    "Disks open through udisks2, which asks for your password when you first open\n"
    "one; stand-in files open without.\n",
    "使い方: kolm [--drive ファイル]... [--as-root]\n"
    "        kolm --list [--drive ファイル]...\n"
    "Kolm はディスクのセクタを表示し、検索し、スキャンし、ディスクをイメージファイルに\n"
    "コピーしたり書き戻したりします。\n"
    "\n"
    "  --drive ファイル  イメージファイルをディスクの代わりとしてつなぎます。この\n"
    "                    マシンのディスクの後に、指定した順に並びます（複数可）\n"
    "  --list            ドライブ一覧の各項目がこのマシンのどれか（デバイス、モデル、\n"
    "                    容量、マウント先）を表示して終わります\n"
    "  --as-root         pkexec で root として起動し直します。パスワードを尋ねます。\n"
    "                    udisks2 のないマシンのためだけのものです\n"
    "  --startup-check   ウィンドウを開いてドライブ一覧を表示し、すぐに閉じて終わります。\n"
    "                    ここで Kolm が起動できれば終了ステータスは 0 です\n"
    "  --help            この説明を表示して終わります\n"
    "\n"
    "ディスクは udisks2 を通して開きます。最初に開くときにパスワードを尋ねます。\n"
    "代わりのファイルはパスワードなしで開きます。\n"};
inline constexpr Message kDriveNeedsName{"--drive needs a file name, not an empty one",
                                         "--drive には空でないファイル名が要ります"};
inline constexpr Message kUnknownArgument{"unknown or incomplete argument: %1",
                                          "知らない引数か、足りない引数です: %1"};

// The files given with --drive.
inline constexpr Message kDriveRefused{"--drive %1: %2", "--drive %1: %2"};
inline constexpr Message kIsFolder{"is a folder, not an image file",
                                   "フォルダです。イメージファイルではありません"};
inline constexpr Message kIsDevice{
    "is a device, not an image file; Kolm lists the machine's disks itself (see kolm --list)",
    "デバイスです。イメージファイルではありません。マシンのディスクは Kolm が自分で"
    "一覧にします（kolm --list を参照）"};
inline constexpr Message kNotRegular{"is not a regular file", "通常のファイルではありません"};
inline constexpr Message kCannotRead{"cannot be read: %1", "読めません: %1"};
inline constexpr Message kGivenTwice{
    "is given twice; one file can stand in for one disk only",
    "が二度指定されています。一つのファイルは一つのディスクの代わりにしかなれません"};
inline constexpr Message kTooManyDrives{
    "too many --drive files: the drive letters up to Z: hold %1 of the %2 on this machine, "
    "and the others would be left out",
    "--drive のファイルが多すぎます: このマシンでは Z: までのドライブ文字に %2 個のうち "
    "%1 個しか入らず、残りが一覧から漏れます"};

// Disk access.
inline constexpr Message kPkexecCannotStart{
    "Kolm cannot ask for disk access: pkexec cannot be started (%1). Install pkexec (Debian: "
    "apt install pkexec), or start Kolm as root from a terminal.",
    "Kolm はディスクへのアクセスを求められません: pkexec を起動できません（%1）。pkexec を"
    "インストールするか（Debian: apt install pkexec）、端末から root で Kolm を起動してください。"};
inline constexpr Message kAccessNotGranted{
    "Kolm did not start: disk access was not granted.",
    "Kolm は起動しませんでした: ディスクへのアクセスが許可されませんでした。"};
inline constexpr Message kCannotAskPassword{
    "Kolm did not start: pkexec could not ask for the password. Is a polkit authentication "
    "agent running in this session? From a terminal, sudo kolm works too.",
    "Kolm は起動しませんでした: pkexec がパスワードを尋ねられませんでした。このセッションで "
    "polkit の認証エージェントは動いていますか。端末からなら sudo kolm でも起動できます。"};
inline constexpr Message kNoUdisks{
    "udisks2 does not answer on the system bus (%1), so the machine's disks that you may not "
    "open yourself stay closed; stand-in files (--drive FILE) open. To open the disks, install "
    "and start udisks2 (Debian: apt install udisks2), or start Kolm with 'kolm --as-root', "
    "which asks for the password.",
    "udisks2 がシステムバスで応答しません（%1）。あなた自身が開けないマシンのディスクは"
    "開きません。代わりのファイル（--drive ファイル）は開けます。ディスクを開くには "
    "udisks2 をインストールして起動するか（Debian: apt install udisks2）、'kolm --as-root' で"
    " Kolm を起動してください。パスワードを尋ねます。"};

// The display and the window.
inline constexpr Message kNoDisplay{
    "no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set). Start Kolm "
    "in a desktop session; kolm --list works without one.",
    "ウィンドウを開くディスプレイがありません（DISPLAY も WAYLAND_DISPLAY も設定されていません）。"
    "デスクトップのセッションで Kolm を起動してください。kolm --list はなくても動きます。"};
inline constexpr Message kPkexecKeptDisplay{
    "pkexec did not pass the display on: polkit does not know Kolm's action "
    "org.kolm.Kolm.pkexec, which a package installs in /usr/share/polkit-1/actions (install "
    "with the prefix /usr).",
    "pkexec がディスプレイを渡しませんでした: polkit が Kolm のアクション org.kolm.Kolm.pkexec "
    "を知りません。パッケージが /usr/share/polkit-1/actions に入れるものです（プレフィックス "
    "/usr でインストールしてください）。"};
inline constexpr Message kDisplayUnreachable{
    "cannot open the window: the display %1 (DISPLAY) cannot be reached; no X server answers "
    "there. Start Kolm in a desktop session; kolm --list works without one.",
    "ウィンドウを開けません: ディスプレイ %1（DISPLAY）に届きません。そこで応える X サーバが"
    "ありません。デスクトップのセッションで Kolm を起動してください。kolm --list はなくても"
    "動きます。"};
inline constexpr Message kCannotOpenWindow{"cannot open the window: %1",
                                           "ウィンドウを開けません: %1"};
inline constexpr Message kFontsMissing{
    "the fonts %1 are not installed (Debian: fonts-ipafont-gothic); Japanese texts may not "
    "show.",
    "フォント %1 がインストールされていません（Debian: fonts-ipafont-gothic）。日本語の文字が"
    "表示されないことがあります。"};
inline constexpr Message kCannotLoadResources{"cannot load the resources: %1",
                                              "リソースを読み込めません: %1"};

// kolm --list.
inline constexpr Message kNamesNoDisk{"names no disk: %1", "ディスクを指していません: %1"};

} // namespace launcher
