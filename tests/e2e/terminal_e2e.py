#!/usr/bin/env python3
"""End-to-end tests of the terminal host (vbterm), played in tmux as a person
would: keys go in with send-keys, the screen comes back with capture-pane.

Every wait polls the screen (or the disk) for what it expects, with generous
time-outs; nothing waits a fixed time to let something happen.
"""

import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
WIDTH, HEIGHT = 100, 30
# The left panel's rows: its current item's line sits above the bottom border.
INFO_ROW = HEIGHT - 2 - 2
LEFT_INNER = slice(1, WIDTH // 2 - 1)
RIGHT_INNER = slice(WIDTH // 2 + 1, WIDTH - 1)
TIMEOUT = 30.0


def read_file(path):
    if not os.path.exists(path):
        return ""
    with open(path) as file:
        return file.read()


class Screen:
    """One vbterm in a tmux server of its own."""

    counter = 0

    def __init__(self, folder):
        Screen.counter += 1
        self.socket = "vbe2e-%d-%d" % (os.getpid(), Screen.counter)
        self.folder = folder
        self.exit_file = os.path.join(folder, "exit-%d" % Screen.counter)
        self.log = os.path.join(folder, "stderr-%d" % Screen.counter)

    def tmux(self, *arguments, check=True):
        return subprocess.run([ARGS.tmux, "-L", self.socket] + list(arguments), check=check,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def start(self, environment, arguments):
        command = " ".join(["env"] + [shlex.quote("%s=%s" % item) for item in environment.items()] +
                           [shlex.quote(ARGS.vbterm)] + [shlex.quote(a) for a in arguments])
        shell = "%s 2>%s; echo $? >%s" % (command, shlex.quote(self.log), shlex.quote(self.exit_file))
        self.tmux("new-session", "-d", "-s", "vb", "-x", str(WIDTH), "-y", str(HEIGHT), "sh", "-c", shell)

    def stop(self):
        self.tmux("kill-server", check=False)

    def text(self):
        return self.tmux("capture-pane", "-p", "-t", "vb").stdout

    def lines(self):
        return self.text().split("\n")

    def keys(self, *keys):
        self.tmux("send-keys", "-t", "vb", *keys)

    def type(self, text):
        self.tmux("send-keys", "-t", "vb", "-l", text)

    def wait(self, condition, what, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while True:
            screen = self.text()
            found = condition(screen)
            if found:
                return found
            if os.path.exists(self.exit_file):
                raise AssertionError("vbterm ended while waiting for %s\n%s\n%s" % (what, screen, self.stderr()))
            if time.monotonic() > deadline:
                raise AssertionError("no %s on the screen after %.0f s:\n%s" % (what, timeout, screen))
            time.sleep(0.05)

    def wait_for(self, text, timeout=TIMEOUT):
        return self.wait(lambda screen: text in screen, repr(text), timeout)

    def wait_gone(self, text, timeout=TIMEOUT):
        return self.wait(lambda screen: text not in screen, "end of %r" % text, timeout)

    def wait_match(self, pattern, timeout=TIMEOUT):
        return self.wait(lambda screen: re.search(pattern, screen), "match of %r" % pattern, timeout)

    def current_name(self, panel=0):
        row = self.lines()[INFO_ROW]
        inner = row[LEFT_INNER if panel == 0 else RIGHT_INNER]
        return inner[:len(inner) - 11].rstrip()

    def wait_exit(self, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while not read_file(self.exit_file).strip():
            if time.monotonic() > deadline:
                raise AssertionError("vbterm did not end:\n" + self.text())
            time.sleep(0.05)
        return int(read_file(self.exit_file))

    def stderr(self):
        return read_file(self.log)


class TerminalHostTest(unittest.TestCase):
    generated_size = 200000
    link = "off"
    connect = "delay:2500"

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="vbterm-e2e-")
        self.device = os.path.join(self.folder, "device")
        self.local = os.path.join(self.folder, "local")
        os.makedirs(self.local)
        subprocess.run([ARGS.vbdemo, ARGS.demo, self.device, "--generated-size", str(self.generated_size)],
                       check=True, stdout=subprocess.DEVNULL)
        self.screens = []

    def tearDown(self):
        for screen in self.screens:
            screen.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def start(self):
        screen = Screen(self.folder)
        self.screens.append(screen)
        environment = {
            "LANG": "C.UTF-8",
            "VANTELBROOK_REGISTRY": os.path.join(self.folder, "registry.reg"),
            "VANTELBROOK_DEVICE_STORAGE": self.device,
            "VANTELBROOK_DEVICE_CONNECT": self.connect,
            "VANTELBROOK_DEVICE_LINK": self.link,
            "TMPDIR": self.folder,
        }
        screen.start(environment, ["--left", self.local, "--work", os.path.join(self.folder, "host")])
        screen.wait_for("1Help")
        return screen

    def open_device(self, screen, bar=False):
        screen.keys("M-F1")
        screen.wait_for("Left panel: disks")
        screen.keys("End", "Enter")
        screen.wait_for("Connecting")
        if bar:
            screen.wait_for("█")
        screen.wait_for("WinCE:\\ ")
        screen.wait_for("My Documents")

    def move_to(self, screen, name, panel=0):
        for _ in range(40):
            current = screen.current_name(panel)
            if current == name:
                return
            screen.keys("Down")
            # The next item is looked at once the cursor has left this one.
            screen.wait(lambda text: screen.current_name(panel) != current, "the cursor leaving " + current)
        self.fail("no %s in the panel:\n%s" % (name, screen.text()))

    def enter_folder(self, screen, name, path):
        self.move_to(screen, name)
        screen.keys("Enter")
        screen.wait_for("WinCE:%s " % path)


class BrowsingTest(TerminalHostTest):
    def test_open_from_disks_menu_shows_the_bar_then_the_panel(self):
        screen = self.start()
        self.open_device(screen, bar=True)
        text = screen.text()
        for name in ("My Documents", "Program Files", "Storage Card", "Windows"):
            self.assertIn(name, text)

    def test_enter_a_folder_and_come_back_with_the_cursor_on_it(self):
        screen = self.start()
        self.open_device(screen)
        self.enter_folder(screen, "My Documents", "\\My Documents\\")
        screen.wait_for("Résumé.txt")
        self.assertEqual(screen.current_name(), "..")
        screen.keys("Enter")
        screen.wait_for("WinCE:\\ ")
        self.assertEqual(screen.current_name(), "My Documents")

    def test_enter_on_a_program_starts_it_on_the_device(self):
        screen = self.start()
        self.open_device(screen)
        self.enter_folder(screen, "Windows", "\\Windows\\")
        self.move_to(screen, "calc.exe")
        screen.keys("Enter")
        screen.wait_for("Started on the device: \\Windows\\calc.exe")


class CopyTest(TerminalHostTest):
    def test_copy_a_file_to_the_local_panel(self):
        screen = self.start()
        self.open_device(screen)
        self.enter_folder(screen, "My Documents", "\\My Documents\\")
        self.move_to(screen, "Notes.txt")
        screen.keys("F5")
        screen.wait_for("Destination for Notes.txt:")
        screen.keys("Enter")
        # The host re-reads the local panel once the module's GetFiles has
        # returned: an item row of it (not a dialog over it) names the copy.
        screen.wait(lambda text: any(line[RIGHT_INNER].startswith("Notes.txt ")
                                     for line in text.split("\n")[2:INFO_ROW - 1]),
                    "Notes.txt in the local panel")
        with open(os.path.join(self.device, "My Documents", "Notes.txt"), "rb") as source, \
                open(os.path.join(self.local, "Notes.txt"), "rb") as copy:
            self.assertEqual(copy.read(), source.read())


class InterruptTest(TerminalHostTest):
    generated_size = 3000000
    link = "latency=2,bandwidth=400000"

    def test_esc_and_yes_abandon_the_file_and_leave_no_partial_copy(self):
        screen = self.start()
        self.open_device(screen)
        self.enter_folder(screen, "My Documents", "\\My Documents\\")
        self.move_to(screen, "Holiday video.wmv")
        screen.keys("F5")
        screen.wait_for("Destination for Holiday video.wmv:")
        screen.keys("Enter")
        screen.wait_for("From:")
        # The dialog is redrawn while the copy runs: the figures move on.
        first = int(screen.wait_match(r"\[(\d+)%\]").group(1))
        screen.wait(lambda text: (re.search(r"\[(\d+)%\]", text) and
                                  int(re.search(r"\[(\d+)%\]", text).group(1)) > first), "progress beyond %d%%" % first)
        screen.keys("Escape")
        screen.wait_for("Abandon this file?")
        screen.keys("Enter")
        screen.wait_gone("From:")
        screen.wait_for("WinCE:\\My Documents\\ ")
        self.assertEqual(os.listdir(self.local), [])


class DirectoryTest(TerminalHostTest):
    def test_make_a_directory_then_delete_it(self):
        screen = self.start()
        self.open_device(screen)
        screen.keys("F7")
        screen.wait_for("Name of the new directory:")
        screen.type("E2E folder")
        screen.keys("Enter")
        screen.wait_gone("Name of the new directory:")
        self.assertEqual(screen.current_name(), "E2E folder")
        self.assertTrue(os.path.isdir(os.path.join(self.device, "E2E folder")))
        screen.keys("F8")
        screen.wait_for("Do you wish to delete E2E folder?")
        screen.keys("Enter")
        screen.wait_gone("E2E folder")
        self.assertFalse(os.path.exists(os.path.join(self.device, "E2E folder")))


class SettingsTest(TerminalHostTest):
    def test_a_changed_setting_is_in_force_after_a_restart(self):
        screen = self.start()
        screen.keys("F12")
        screen.wait_for("Vantelbrook settings")
        screen.keys("Tab")
        screen.type("7")
        screen.wait_match(r"7 Disks menu digit")
        screen.keys("Enter")
        screen.wait_for("Settings saved")
        screen.keys("F10")
        self.assertEqual(screen.wait_exit(), 0, screen.stderr())

        screen = self.start()
        screen.keys("M-F1")
        screen.wait_for("Left panel: disks")
        screen.wait_match(r"7\s+WinCE")
        screen.keys("Escape")
        screen.wait_gone("Left panel: disks")
        screen.keys("F12")
        screen.wait_match(r"7 Disks menu digit")

    def test_help_of_the_settings_dialog_and_its_links(self):
        screen = self.start()
        screen.keys("F12")
        screen.wait_for("Vantelbrook settings")
        screen.keys("F1")
        screen.wait_for("Seconds to wait for the device")
        screen.wait_for("Help: Vantelbrook")
        screen.keys("Tab", "Enter")
        screen.wait_for("Windows CE device panel")
        screen.keys("Escape")
        screen.wait_gone("Help: Vantelbrook")
        screen.keys("Escape")
        screen.wait_gone("Vantelbrook settings")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--tmux", default="tmux")
    parser.add_argument("--vbterm", required=True)
    parser.add_argument("--vbdemo", required=True)
    parser.add_argument("--demo", required=True)
    ARGS, rest = parser.parse_known_args()
    if shutil.which(ARGS.tmux) is None:
        sys.exit("tmux is not installed: the end-to-end tests need it (apt-get install tmux)")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
