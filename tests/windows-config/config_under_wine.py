#!/usr/bin/python3
"""Config.exe under Wine against the Linux Config, on one virtual X server.

Both programs start from empty per-user folders, are drawn, clicked (Apply;
then an effect, a preset colour and Apply) and read back:
  - the settings files they write are byte for byte the same, and the
    platform's own private-profile functions read back from the Windows one
    every key with the value this program's own reading gives;
  - the two windows look the same outside the text (the fonts differ: Wine's
    font engine is not the Linux one), pictures kept in the output folder;
  - the log lines land in C:\\LOG; a second Config.exe ends at once;
  - Config.exe starts hid.exe when it is absent and not when it runs, hid.exe
    re-reads the file after Apply, and hid.exe's requests reach Config.exe
    as window messages: ping, restore, and close without saving;
  - with the lighting provider registered by regsvr32, Apply records its
    devices' count.
Needs DISPLAY (an X server), xdotool and xwd. Exits non-zero on a failure.
"""
import argparse
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops

TITLE = "Zarvik RGB Software_Config"
AGENT_TITLE = "Zarvik RGB Software_Hid"
WARNING_TITLE = "Zarvik RGB Software_Warning"
SETTINGS_CHAIN = ("Zarvik", "Zarvik RGB Software", "config")
# Positions from the default skin (window coordinates at scale 1).
APPLY = (836 + 74, 568 + 20)
FIRST_EFFECT_IN_THE_LIST = (166, 115)
THIRD_EFFECT_IN_THE_LIST = (166, 189)
PRESET_2 = (314 + 14, 426 + 14)
# The effect preview animates: its pictures depend on the moment taken.
PREVIEW_AREA = (92, 430, 250, 620)
# Pixels whose channels differ by more than this count as different; the
# share of different pixels allowed covers the text drawn by another engine.
CHANNEL_TOLERANCE = 40
DIFFERENT_SHARE_ALLOWED = 0.03

failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message, flush=True)
    if not condition:
        failures.append(message)


def find_window(timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE],
                               capture_output=True, text=True)
        ids = found.stdout.split()
        if ids:
            return ids[0]
        time.sleep(0.2)
    return None


def read_xwd(data):
    """A ZPixmap XWD dump of a 24/32-bit TrueColor window as an RGB image."""
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    colormap_entries = fields[19]
    if bits_per_pixel != 32:
        raise ValueError("unexpected XWD pixel size %d" % bits_per_pixel)
    pixels = data[header_size + 12 * colormap_entries:]
    raw = "BGRX" if byte_order == 0 else "XRGB"
    return Image.frombytes("RGB", (width, height), pixels[:bytes_per_line * height], "raw", raw, bytes_per_line)


def screenshot(window, path):
    dump = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True, check=True).stdout
    image = read_xwd(dump)
    image.save(path)
    return image


def click(window, point):
    subprocess.run(["xdotool", "mousemove", "--window", window, str(point[0]), str(point[1]),
                    "click", "1"], check=True)
    time.sleep(0.5)


def wait_for_change(path, previous, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.exists(path):
            with open(path, "rb") as f:
                current = f.read()
            if current != previous and current:
                time.sleep(0.3)  # the save is one rename; let a slow writer finish
                with open(path, "rb") as f:
                    return f.read()
        time.sleep(0.2)
    return None


AGENT_PATTERN = None  # hid.exe of this folder only: other runs may go on beside this one


def agent_processes():
    found = subprocess.run(["pgrep", "-f", AGENT_PATTERN], capture_output=True, text=True)
    return found.stdout.split()


def wait_until(condition, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


def read_bytes(path):
    if not os.path.exists(path):
        return b""
    with open(path, "rb") as f:
        return f.read()


def decode_profile(data):
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    if data.startswith(b"\xfe\xff"):
        return data[2:].decode("utf-16-be")
    return data.decode("utf-8", errors="replace")


def parse_profile(text):
    """Sections and keys as the private-profile functions see them: names
    without surrounding blanks, the first of a repeated key wins."""
    sections, current = {}, None
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("[") and "]" in stripped:
            current = sections.setdefault(stripped[1:stripped.index("]")].strip().lower(), {})
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value.strip())
    return sections


class Session:
    """One program, from empty per-user folders to the window it draws."""

    def __init__(self, name, command, environment, settings_path):
        self.name, self.command, self.environment = name, command, environment
        self.settings_path = settings_path
        self.process = None

    def start(self):
        started = time.monotonic()
        self.process = subprocess.Popen(self.command, env=self.environment,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = find_window(120)
        check(self.window is not None, "%s: the window \"%s\" appears" % (self.name, TITLE))
        self.start_seconds = time.monotonic() - started
        if self.window:
            time.sleep(2)  # the first frame, and the effect preview's start
        return self.window is not None

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def apply_and_read(self, previous):
        click(self.window, APPLY)
        return wait_for_change(self.settings_path, previous)


def send(args, environment, *request):
    hid = os.path.join(args.windows_bin, "hid.exe")
    return subprocess.run([args.wine, hid, "--send", *request], env=environment, capture_output=True, text=True,
                          timeout=120)


def window_state(args, environment, action="state"):
    """The Windows side's view of Config's window: "minimised", "normal" or "absent"."""
    probe = os.path.join(args.windows_bin, "window_probe.exe")
    return subprocess.run([args.wine, probe, action, TITLE], env=environment, capture_output=True, text=True,
                          timeout=120).stdout.strip()


def agent_requests(args, windows, environment):
    """hid.exe, still running from the first start, and a new Config.exe."""
    for reason in ("1626", "1625"):
        if not windows.start():
            return
        check(len(agent_processes()) == 1, "Config.exe starts no second hid.exe while one runs")
        if reason == "1626":
            answer = send(args, environment, "ping")
            check(answer.returncode == 0 and answer.stdout.split()[-1:] == ["1"],
                  "hid.exe --send ping is answered 1 (%r)" % answer.stdout.strip())
            window_state(args, environment, "minimise")
            minimised = wait_until(lambda: window_state(args, environment) == "minimised", 20)
            send(args, environment, "restore")
            check(minimised and wait_until(lambda: window_state(args, environment) == "normal", 20),
                  "hid.exe --send restore shows a minimised Config.exe")
        before = read_bytes(windows.settings_path)
        click(windows.window, FIRST_EFFECT_IN_THE_LIST)  # an edit that is not applied
        companion = subprocess.Popen([args.wine, os.path.join(args.windows_bin, "window_probe.exe"), "hold",
                                      WARNING_TITLE], env=environment, stdout=subprocess.PIPE, text=True)
        companion.stdout.readline()  # "holding"
        send(args, environment, "close", reason)
        ended = wait_until(lambda: windows.process.poll() is not None, 30)
        check(ended and read_bytes(windows.settings_path) == before,
              "hid.exe --send close %s ends Config.exe without saving" % reason)
        try:
            closed = companion.wait(30) == 0
        except subprocess.TimeoutExpired:
            companion.kill()
            closed = False
        check(closed, "... and closes the window titled \"%s\"" % WARNING_TITLE)
        windows.stop()


def regsvr32(args, environment, *options):
    dll = "Z:" + os.path.abspath(os.path.join(args.windows_bin, "ZarvikLightingProvider.dll")).replace("/", "\\")
    return subprocess.run([args.wine, "regsvr32", "/s", *options, dll], env=environment, timeout=120).returncode


def hung_agent(args, windows, environment, log_file):
    """An agent window that never answers holds Apply up only for the bound."""
    subprocess.run(["pkill", "-f", AGENT_PATTERN])
    wait_until(lambda: not agent_processes(), 20)
    hung = subprocess.Popen([args.wine, os.path.join(args.windows_bin, "window_probe.exe"), "hang", AGENT_TITLE],
                            env=environment, stdout=subprocess.PIPE, text=True)
    hung.stdout.readline()  # "holding"
    try:
        if windows.start():
            check(not agent_processes(), "Config.exe starts no hid.exe while a window of the agent's title exists")
            logged = len(read_bytes(log_file))
            click(windows.window, FIRST_EFFECT_IN_THE_LIST)
            started = time.monotonic()
            saved = windows.apply_and_read(read_bytes(windows.settings_path))
            answered = wait_until(lambda: b"agent did not answer" in read_bytes(log_file)[logged:], 60)
            check(saved is not None and answered,
                  "a hung agent delays Apply by the bound, not for ever (%.1f s)" % (time.monotonic() - started))
    finally:
        windows.stop()
        hung.kill()
        hung.wait()


def provider_devices(args, windows, environment, settings_folder):
    """Config.exe from empty per-user folders with the provider registered."""
    check(regsvr32(args, environment) == 0, "regsvr32 registers the lighting provider")
    shutil.rmtree(settings_folder, ignore_errors=True)
    try:
        if windows.start():
            saved = windows.apply_and_read(None)
            sections = parse_profile(decode_profile(saved or b""))
            current = "profile%ssetting" % sections.get("setting", {}).get("currentprofile")
            count = sections.get(current, {}).get("devnum_ssd")
            check(count == "3", "with the provider registered Apply records DevNum_SSD=3 (%s)" % count)
            effects = lambda text: re.findall(rb"device 1: record \d+, effect (\d+),", text)
            wait_until(lambda: effects(read_bytes(windows.agent_log)), 20)
            reported = read_bytes(windows.agent_log)
            click(windows.window, THIRD_EFFECT_IN_THE_LIST)
            windows.apply_and_read(saved)
            check(wait_until(lambda: effects(read_bytes(windows.agent_log)[len(reported):])[-1:] not in
                             ([], effects(reported)[-1:]), 20),
                  "hid.exe's report after Apply shows the newly chosen effect")
    finally:
        windows.stop()
        check(regsvr32(args, environment, "/u") == 0, "regsvr32 /u unregisters the lighting provider")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--windows-bin", required=True, help="folder holding Config.exe and its skin")
    parser.add_argument("--linux-bin", required=True, help="folder holding the Linux Config and its skin")
    parser.add_argument("--wine", required=True)
    parser.add_argument("--prefix", required=True, help="Wine prefix (WINEPREFIX), already made")
    parser.add_argument("--profile-reader", required=True, help="profile_reader.exe")
    parser.add_argument("--out", required=True, help="folder for the pictures")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="config-under-wine-")

    # The Linux program from a folder of its own, without the agent beside it
    # (Config.exe has none either), and with per-user folders of its own.
    linux_bin = os.path.join(work, "linux-bin")
    os.makedirs(linux_bin)
    shutil.copy2(os.path.join(args.linux_bin, "Config"), linux_bin)
    for folder in ("Lan", "skins", "Skins", "Help"):
        shutil.copytree(os.path.join(args.linux_bin, folder), os.path.join(linux_bin, folder))
    home = os.path.join(work, "home")
    linux_environment = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                             XDG_STATE_HOME=os.path.join(home, "state"), XDG_RUNTIME_DIR=os.path.join(home, "run"),
                             XDG_CONFIG_DIRS=os.path.join(home, "none"), QT_QPA_PLATFORM="xcb")
    os.makedirs(os.path.join(home, "run"), mode=0o700)
    linux = Session("Linux", [os.path.join(linux_bin, "Config")], linux_environment,
                    os.path.join(home, "config", *SETTINGS_CHAIN))

    wine_environment = dict(os.environ, WINEPREFIX=args.prefix, WINEDEBUG="-all",
                            WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
    roaming = [p for p in glob.glob(os.path.join(args.prefix, "drive_c", "users", "*", "AppData", "Roaming"))
               if "/Public/" not in p]
    check(len(roaming) == 1, "the Wine user's %APPDATA% is found in the prefix")
    if not roaming:
        return 1
    shutil.rmtree(os.path.join(roaming[0], "Zarvik"), ignore_errors=True)
    # No provider: both programs record no devices.
    regsvr32(args, wine_environment, "/u")
    log_file = os.path.join(args.prefix, "drive_c", "LOG", "Zarvik RGB Software_Config.log")
    if os.path.exists(log_file):
        os.remove(log_file)
    windows = Session("Windows", [args.wine, os.path.join(args.windows_bin, "Config.exe")], wine_environment,
                      os.path.join(roaming[0], *SETTINGS_CHAIN))

    local = [p for p in glob.glob(os.path.join(args.prefix, "drive_c", "users", "*", "AppData", "Local"))
             if "/Public/" not in p]
    windows.agent_log = os.path.join(local[0] if local else work, "Zarvik", "LOG", "hid.log")
    global AGENT_PATTERN
    agent = "Z:" + os.path.abspath(args.windows_bin).replace("/", "\\") + "\\hid.exe"
    AGENT_PATTERN = "^" + re.sub(r"([\\.\[\]()*+?^${}|])", r"\\\1", agent)  # a POSIX extended expression
    subprocess.run(["pkill", "-f", AGENT_PATTERN])

    pictures, first_files, clicked_files = {}, {}, {}
    for session in (linux, windows):
        try:
            if not session.start():
                continue
            pictures[session.name] = screenshot(session.window, os.path.join(args.out, session.name.lower() + ".png"))
            if session is windows:
                print("Config.exe cold start to its window under Wine: %.1f s" % session.start_seconds)
                second = subprocess.Popen(session.command, env=wine_environment,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                try:
                    code = second.wait(60)
                except subprocess.TimeoutExpired:
                    second.kill()
                    code = None
                check(code is not None, "a second Config.exe ends at once while the first runs")
                check(wait_until(lambda: len(agent_processes()) == 1, 30),
                      "Config.exe starts hid.exe when it is absent")
            first_files[session.name] = session.apply_and_read(None)
            check(first_files[session.name] is not None, "%s: Apply writes the settings file" % session.name)
            click(session.window, THIRD_EFFECT_IN_THE_LIST)
            click(session.window, PRESET_2)
            agent_log = read_bytes(windows.agent_log)
            clicked_files[session.name] = session.apply_and_read(first_files[session.name])
            check(clicked_files[session.name] is not None,
                  "%s: the clicks change what Apply writes" % session.name)
            if session is windows:
                check(wait_until(lambda: b"(notified)" in read_bytes(windows.agent_log)[len(agent_log):], 20),
                      "after Apply hid.exe is told and re-reads the file")
        finally:
            session.stop()

    if len(first_files) == 2 and all(first_files.values()):
        check(first_files["Linux"] == first_files["Windows"], "the first-run settings files are byte-identical")
    if len(clicked_files) == 2 and all(clicked_files.values()):
        check(clicked_files["Linux"] == clicked_files["Windows"],
              "the settings files after the same clicks are byte-identical")
        expected = parse_profile(decode_profile(clicked_files["Windows"]))
        windows_path = "Z:" + windows.settings_path.replace("/", "\\")
        read = subprocess.run([args.wine, args.profile_reader, windows_path], env=wine_environment,
                              capture_output=True)
        platform = parse_profile(read.stdout.decode("utf-8", errors="replace"))
        check(read.returncode == 0 and platform == expected,
              "the platform's private-profile functions read every key back with its value (%d sections, %d keys)"
              % (len(platform), sum(len(keys) for keys in platform.values())))
        changed = [(s, k) for s, keys in parse_profile(decode_profile(first_files["Windows"])).items()
                   for k, v in keys.items() if platform.get(s, {}).get(k) != v]
        check(bool(changed), "the keys the clicks set differ from the first run: %s" % changed[:6])

    if len(pictures) == 2:
        a, b = pictures["Linux"], pictures["Windows"]
        check(a.size == b.size, "both windows have the same size (%s, %s)" % (a.size, b.size))
        if a.size == b.size:
            for picture in (a, b):
                picture.paste((0, 0, 0), PREVIEW_AREA)
            difference = ImageChops.difference(a, b).convert("L").point(
                lambda v: 255 if v > CHANNEL_TOLERANCE else 0)
            difference.save(os.path.join(args.out, "difference.png"))
            share = sum(1 for v in difference.getdata() if v) / (a.size[0] * a.size[1])
            check(share <= DIFFERENT_SHARE_ALLOWED,
                  "the windows look the same outside the text (%.2f%% of pixels differ)" % (100 * share))

    agent_requests(args, windows, wine_environment)
    hung_agent(args, windows, wine_environment, log_file)
    provider_devices(args, windows, wine_environment, os.path.join(roaming[0], "Zarvik"))
    subprocess.run(["pkill", "-f", AGENT_PATTERN])

    log = open(log_file, encoding="latin-1").read() if os.path.exists(log_file) else ""
    check("STEP CreateDlg" in log, "the log lines land in C:\\LOG\\Zarvik RGB Software_Config.log")
    check(any(line.endswith("\\") for line in log.splitlines()),
          "the logged program folder ends in a backslash")

    shutil.rmtree(work, ignore_errors=True)
    print("%d check(s) failed" % len(failures) if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
