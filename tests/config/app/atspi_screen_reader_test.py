#!/usr/bin/python3
"""The program as a screen reader meets it, through the AT-SPI bus.

Runs Config from a folder of its own (the skin beside it, no agent) with
fresh per-user folders, finds it on the accessibility bus by name, walks its
tree, reads the Apply button's name and role, reads and sets the red
slider's value through the Value interface, presses Apply through the Action
interface, and checks that the settings file then holds the new colour.
Every missing piece is a failure.

usage: atspi_screen_reader_test.py <build bin folder> <settings probe>
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


PROGRAM = None


def wait_for(what, predicate, seconds=60.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = predicate()
        if result:
            return result
        if PROGRAM is not None and PROGRAM.poll() is not None:
            fail("Config ended (exit status %s) while waiting for %s" % (PROGRAM.returncode, what))
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def find_application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def walk(node, depth=0):
    if depth > 12 or node is None:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def find(app, role, name):
    for node in walk(app):
        if node.getRole() == role and node.name == name:
            return node
    return None


def main():
    if len(sys.argv) != 3:
        fail(__doc__)
    bin_dir, probe = sys.argv[1], sys.argv[2]
    root = tempfile.mkdtemp(prefix="atspi-test-")
    program_dir = os.path.join(root, "program")
    os.makedirs(program_dir)
    shutil.copy2(os.path.join(bin_dir, "Config"), program_dir)
    for folder in ("Lan", "skins", "Skins"):
        if os.path.isdir(os.path.join(bin_dir, folder)):
            shutil.copytree(os.path.join(bin_dir, folder), os.path.join(program_dir, folder))

    env = dict(os.environ)
    for variable in ("XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"):
        path = os.path.join(root, variable.lower())
        os.makedirs(path, mode=0o700)
        env[variable] = path
    os.makedirs(os.path.join(env["XDG_CONFIG_HOME"], "Zarvik", "Zarvik RGB Software"))

    global PROGRAM
    config = subprocess.Popen([os.path.join(program_dir, "Config")], env=env)
    PROGRAM = config
    try:
        app = wait_for("zarvik-rgb on the accessibility bus", lambda: find_application("zarvik-rgb"))
        window = wait_for("the window", lambda: find(app, pyatspi.ROLE_DIALOG, "Zarvik RGB Software_Config")
                          or find(app, pyatspi.ROLE_FRAME, "Zarvik RGB Software_Config"))

        apply_button = wait_for("the Apply button", lambda: find(window, pyatspi.ROLE_PUSH_BUTTON, "Apply"))
        if apply_button.getRoleName() != "push button":
            fail("Apply's role reads " + apply_button.getRoleName())

        red = wait_for("the red slider", lambda: find(window, pyatspi.ROLE_SLIDER, "Red"))
        value = red.queryValue()
        if (value.minimumValue, value.maximumValue) != (0.0, 255.0):
            fail("red slider bounds %s..%s" % (value.minimumValue, value.maximumValue))
        start = value.currentValue
        wanted = 100.0 if start != 100.0 else 120.0
        value.currentValue = wanted
        wait_for("the red slider to move", lambda: red.queryValue().currentValue == wanted)

        action = apply_button.queryAction()
        names = [action.getName(i).lower() for i in range(action.nActions)]
        if "press" not in names:
            fail("Apply offers no press action: %s" % names)
        action.doAction(names.index("press"))

        def saved_red():
            run = subprocess.run([probe], env=env, capture_output=True, text=True)
            return run.returncode == 0 and run.stdout.split()[0] == str(int(wanted))

        wait_for("the settings file to hold the new red", saved_red)
        print("screen reader test: found Config, read Apply and Red, set red to %d, pressed Apply, saved" % wanted)
    finally:
        PROGRAM = None
        config.terminate()
        try:
            config.wait(10)
        except subprocess.TimeoutExpired:
            config.kill()
            config.wait()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
